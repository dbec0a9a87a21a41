#!/usr/bin/env bash
# Writes the large benchmark input: LINES lines (default 1,000,000) in units of
# 10 regions whose lines are spread over the whole file, small counts.
#   scripts/make-bench-input.sh FILE [LINES]
set -euo pipefail
lines="${2:-1000000}"
awk -v lines="$lines" 'BEGIN {
    srand(20260401)
    units = int(lines / 10)
    for (i = 0; i < lines; i++) {
        # 7919 is prime and does not divide the unit count, so every unit gets
        # its ten lines, far apart in the file.
        unit = (i * 7919) % units + 1
        printf "%d\tR%06d-%07d\t%d\t%d.%03d\n", unit, unit, i, int(rand() * 25), int(rand() * 12) + 1, int(rand() * 1000)
    }
}' > "$1"
