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
for zero in "" --exclude-zero; do
    for format in "" --csv; do
        for threads in 1 2 7; do
            "$batch" $zero $format --threads "$threads" "$work/input.txt" \
                -o "$work/table.$threads" -l "$work/log.$threads"
        done
        for threads in 2 7; do
            if ! cmp -s "$work/table.1" "$work/table.$threads" || ! cmp -s "$work/log.1" "$work/log.$threads"; then
                echo "FAILED: ${zero:-include-zero} ${format:---txt}: $threads threads differ from one" >&2
                status=1
            fi
        done
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
spatial=(--posterior --neighbours "$work/rings.gal" --local-eb --moran --permutations 99)
for threads in 1 2 7; do
    "$batch" "${spatial[@]}" --write-neighbours "$work/list.$threads" --quiet --threads "$threads" \
        "$work/input.txt" -o "$work/table.$threads" -l "$work/log.$threads"
done
for threads in 2 7; do
    for file in table log list; do
        if ! cmp -s "$work/$file.1" "$work/$file.$threads"; then
            echo "FAILED: neighbour options: $threads threads' $file differs from one" >&2
            status=1
        fi
    done
done

# Queen neighbours from the test grid's boundaries, for 500 units of its nine cells.
awk 'BEGIN { srand(7); for (u = 1; u <= 500; u++) for (c = 1; c <= 9; c++)
    printf "%d A0%d %d %.3f\n", u, c, int(rand() * 20), 1 + rand() * 9 }' > "$work/grid.txt"
queen=(--posterior --neighbours queen --boundaries tests/data/geo/grid.gpkg --layer grid
       --join-field code --local-eb --moran --permutations 99)
for threads in 1 2 7; do
    "$batch" "${queen[@]}" --write-neighbours "$work/qlist.$threads" \
        --quiet --threads "$threads" "$work/grid.txt" -o "$work/qtable.$threads" -l "$work/qlog.$threads"
done
for threads in 2 7; do
    for file in qtable qlog qlist; do
        if ! cmp -s "$work/$file.1" "$work/$file.$threads"; then
            echo "FAILED: queen neighbours: $threads threads' $file differs from one" >&2
            status=1
        fi
    done
done
[ "$status" -eq 0 ] && echo "1 passed, 0 failed: the same bytes on 1, 2 and 7 threads"
exit "$status"
