#!/usr/bin/env bash
# Script engine benchmark: tessascript against two small reference interpreters, MuJS
# and Duktape (installed by bench/run.sh from tools/bench-packages.txt), on fib(30), ten
# million additions to a global variable in a for loop, string building (100,000 times
# s = s + "x"; 100,000 pushes and one join) and sorting 100,000 numbers with a
# comparison function. Each engine runs each script RUNS times (default 3); the best
# wall-clock time counts, and the peak resident memory of that run is shown. Ratios
# below 1.0 mean tessascript is faster. The sort algorithms differ between engines, so
# the sort is compared per comparator call (each engine's script prints its count).
# Usage: bench/script/run.sh; BUILD selects the build directory (default build).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${BUILD:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
tool=$build/bin/tessascript
[ -x "$tool" ] || { echo "build first: make" >&2; exit 1; }
runs=${RUNS:-3}
engines=("$tool" mujs duk)
for engine in mujs duk; do
    command -v "$engine" >/dev/null || { echo "missing $engine: run bench/run.sh" >&2; exit 1; }
done

# Best "seconds kilobytes" of RUNS runs of ENGINE on SCRIPT.
best() {
    local engine=$1 script=$2 line best_line=
    for _ in $(seq "$runs"); do
        line=$(/usr/bin/time -f "%e %M" -o /dev/stdout "$engine" "$script" 2>/dev/null | tail -1)
        if [ -z "$best_line" ] || awk -v a="${line% *}" -v b="${best_line% *}" 'BEGIN {exit !(a < b)}'; then
            best_line=$line
        fi
    done
    echo "$best_line"
}

for script in fib loop concat join; do
    declare -A seconds=() memory=()
    for engine in "${engines[@]}"; do
        read -r s m <<< "$(best "$engine" "$here/$script.js")"
        seconds[$engine]=$s
        memory[$engine]=$m
    done
    ours=${seconds[$tool]}
    printf '%-5s tessascript %5.2f s %6d KB | mujs %5.2f s %6d KB | duk %5.2f s %6d KB\n' \
        "$script" "$ours" "${memory[$tool]}" "${seconds[mujs]}" "${memory[mujs]}" \
        "${seconds[duk]}" "${memory[duk]}"
    # Speed targets hold for fib and loop; string building is reported as it is.
    target=""
    case $script in fib|loop) target=" (target at most 1.0)" ;; esac
    awk -v o="$ours" -v m="${seconds[mujs]}" -v d="${seconds[duk]}" -v t="$target" 'BEGIN {
        printf "      ratio to mujs %.2f%s, to duk %.2f\n", o / m, t, o / d }'
done

# The sort: time per comparator call.
declare -A calls=() seconds=()
for engine in "${engines[@]}"; do
    read -r s m <<< "$(best "$engine" "$here/sort.js")"
    seconds[$engine]=$s
    calls[$engine]=$("$engine" "$here/sort.js" | tr -d '\n')
    printf '%-5s %-11s %5.2f s %6d KB %9d calls %6.3f us/call\n' sort "$(basename "$engine")" \
        "$s" "$m" "${calls[$engine]}" "$(awk -v s="$s" -v c="${calls[$engine]}" 'BEGIN {print s * 1e6 / c}')"
done
awk -v o="${seconds[$tool]}" -v oc="${calls[$tool]}" -v m="${seconds[mujs]}" -v mc="${calls[mujs]}" 'BEGIN {
    printf "      per-call ratio to mujs %.2f (target at most 1.0)\n", (o / oc) / (m / mc) }'
