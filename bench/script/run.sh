#!/usr/bin/env bash
# Script engine benchmark: tessascript against two small reference interpreters, MuJS
# and Duktape (installed by bench/run.sh from tools/bench-packages.txt), on fib(30) and on
# ten million additions to a global variable in a for loop. Each engine runs each script
# RUNS times (default 3); the best wall-clock time counts, and the peak resident memory of
# that run is shown. Ratios below 1.0 mean tessascript is faster.
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
        line=$(/usr/bin/time -f "%e %M" "$engine" "$script" 2>&1 >/dev/null | tail -1)
        if [ -z "$best_line" ] || awk -v a="${line% *}" -v b="${best_line% *}" 'BEGIN {exit !(a < b)}'; then
            best_line=$line
        fi
    done
    echo "$best_line"
}

for script in fib loop; do
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
    awk -v o="$ours" -v m="${seconds[mujs]}" -v d="${seconds[duk]}" -v s="$script" 'BEGIN {
        printf "      ratio to mujs %.2f (target at most 1.0), to duk %.2f\n", o / m, o / d }'
done
