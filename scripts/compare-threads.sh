#!/usr/bin/env bash
# Checks that tolven-batch writes the same bytes on 1, 2 and 7 threads, on a
# generated 1,000,000-line file, in both formats and both zero modes, and with
# the neighbour list's local estimates, Moran's I and written list, from a GAL
# file and from queen contiguity of boundaries.
#   scripts/compare-threads.sh [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
batch="${1:-build}/cli/tolven-batch"
work="$(mktemp -d "${TMPDIR:-/tmp}/tolven-threads.XXXXXX")"
trap 'rm -rf "$work"' EXIT

scripts/make-bench-input.sh "$work/input.txt"
status=0

# compare NAME INPUT [OPTION...]: runs the batch command on INPUT with the
# options on 1, 2 and 7 threads, writing the table, the log and, where an
# option is @list, the neighbour list, and reports every file that differs
# from the one-thread run's.
compare() {
    local name="$1" input="$2" threads file option
    shift 2
    for threads in 1 2 7; do
        local options=()
        for option in "$@"; do
            [ "$option" = @list ] && option="$work/list.$threads"
            options+=("$option")
        done
        "$batch" "${options[@]}" --threads "$threads" "$input" \
            -o "$work/table.$threads" -l "$work/log.$threads"
    done
    for threads in 2 7; do
        for file in table log list; do
            [ -e "$work/$file.1" ] || continue
            if ! cmp -s "$work/$file.1" "$work/$file.$threads"; then
                echo "FAILED: $name: $threads threads' $file differs from one" >&2
                status=1
            fi
        done
    done
    rm -f "$work"/table.* "$work"/log.* "$work"/list.*
}

for zero in "" --exclude-zero; do
    for format in "" --csv; do
        compare "${zero:-include-zero} ${format:---txt}" "$work/input.txt" $zero $format
    done
done

# Each unit's ten regions in a ring, as a GAL file over every code.
awk '{ codes[$1] = codes[$1] " " $2 }
END {
    print NR
    for (unit in codes) {
        n = split(substr(codes[unit], 2), c, " ")
        for (k = 1; k <= n; k++) {
            print c[k], 2
            print c[(k + n - 2) % n + 1], c[k % n + 1]
        }
    }
}' "$work/input.txt" > "$work/rings.gal"
compare "neighbour options" "$work/input.txt" --posterior --neighbours "$work/rings.gal" \
    --local-eb --moran --permutations 99 --write-neighbours @list --quiet

# Queen neighbours from the test grid's boundaries, for 500 units of its nine cells.
awk 'BEGIN { srand(7); for (u = 1; u <= 500; u++) for (c = 1; c <= 9; c++)
    printf "%d A0%d %d %.3f\n", u, c, int(rand() * 20), 1 + rand() * 9 }' > "$work/grid.txt"
compare "queen neighbours" "$work/grid.txt" --posterior --neighbours queen \
    --boundaries tests/data/geo/grid.gpkg --layer grid --join-field code \
    --local-eb --moran --permutations 99 --write-neighbours @list --quiet
[ "$status" -eq 0 ] && echo "1 passed, 0 failed: the same bytes on 1, 2 and 7 threads"
exit "$status"
