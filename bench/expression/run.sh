#!/usr/bin/env bash
# Expression language benchmark.
#  1. The library: parse and evaluate COUNT expressions (default 100,000) in one process,
#     best of RUNS passes (default 5): constant expressions of five operands, and a mix
#     of constants and simulated-target variables, registers and members. Target: at
#     least 500,000 constant expressions per second.
#  2. The whole tessaexpr tool on 20,000 of those mixed expressions given as arguments,
#     against the simulated target (best of 10 runs, process start included), next to
#     the library alone on the same 20,000 expressions (each value as text, as the tool
#     prints it). Target: at most 1.5 us per expression for the whole run.
# Usage: bench/expression/run.sh [COUNT [RUNS]]; BUILD selects the build directory
# (default build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
bench=$build/bin/expression_bench
tool=$build/bin/tessaexpr
[ -x "$bench" ] && [ -x "$tool" ] || { echo "build first: make" >&2; exit 1; }
"$bench" "${1:-100000}" "${2:-5}"

count=20000
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bench" --write "$work" "$count"
mapfile -t expressions < "$work/mixed.txt"
arguments=()
for expression in "${expressions[@]}"; do
    case $expression in
        [@-]*) arguments+=(-e "$expression") ;;  # would read as an option or an @file
        *) arguments+=("$expression") ;;
    esac
done
"$tool" -target "$work/target.txt" "${arguments[@]}" > "$work/out.txt" || true
[ "$(wc -l < "$work/out.txt")" -eq "$count" ] || { echo "tessaexpr printed the wrong number of lines" >&2; exit 1; }
best=
for run in $(seq 10); do
    start=$(date +%s%N)
    "$tool" -target "$work/target.txt" "${arguments[@]}" > /dev/null || true
    end=$(date +%s%N)
    elapsed=$(( (end - start) / 1000 ))
    if [ -z "$best" ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
done
library=$("$bench" "$count" 5 | sed -n 's/^mixed, each value as text *[0-9]* in *\([0-9.]*\) ms.*/\1/p')
awk -v best="$best" -v library="$library" -v count="$count" 'BEGIN {
    tool = best / count; alone = library * 1000 / count
    printf "tessaexpr, %d mixed expressions as arguments: %.1f ms, %.2f us per expression\n", count, best / 1000, tool
    printf "library alone, the same expressions as text:   %.1f ms, %.2f us per expression\n", library, alone
    printf "target at most 1.5 us per expression for the whole run: %s\n", tool <= 1.5 ? "met" : "NOT met"
}'
