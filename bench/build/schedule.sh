#!/usr/bin/env bash
# Scheduling overhead of the build engine: 2,000 custom build steps that run `true`,
# built by tessabuild -j2, against ninja -j2 and make -j2 running the same 2,000
# commands, all in the same run (target: at most 1.2 times ninja's time per job).
# Usage: bench/build/schedule.sh [JOBS [RUNS]]; BUILD selects the build directory
# (default build). Prints the best time of RUNS runs of each, per job, and the ratios.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
tool=$build/bin/tessabuild
[ -x "$tool" ] || { echo "build first: make" >&2; exit 1; }
command -v ninja >/dev/null || { echo "ninja is not installed (ninja-build)" >&2; exit 1; }
jobs=${1:-2000}
runs=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The same commands three ways. The steps name no output file, so that every run
# runs them all (ninja and make find their targets missing each time).
{
    echo '<!DOCTYPE TessaStudio_Project_File>'
    echo '<solution Name="Bench">'
    echo '  <project Name="Steps">'
    echo '    <configuration Name="Common" project_type="Library" />'
    for ((i = 0; i < jobs; ++i)); do
        echo "    <file file_name=\"s/f$i.txt\"><configuration Name=\"Common\" custom_build_command=\"true\" /></file>"
    done
    echo '  </project>'
    echo '</solution>'
} >"$work/bench.hzp"
mkdir -p "$work/s"
{
    printf 'rule step\n  command = true\n'
    for ((i = 0; i < jobs; ++i)); do printf 'build j%d: step\n' "$i"; done
} >"$work/build.ninja"
{
    printf '.PHONY: all'
    for ((i = 0; i < jobs; ++i)); do printf ' j%d' "$i"; done
    printf '\nall:'
    for ((i = 0; i < jobs; ++i)); do printf ' j%d' "$i"; done
    printf '\n'
    for ((i = 0; i < jobs; ++i)); do printf 'j%d:\n\t@true\n' "$i"; done
} >"$work/Makefile"
for ((i = 0; i < jobs; ++i)); do : >"$work/s/f$i.txt"; done

# Best wall time in nanoseconds of RUNS runs of a command.
best() {
    local best_ns=0 start end
    for ((run = 0; run < runs; ++run)); do
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
        end=$(date +%s%N)
        if ((best_ns == 0 || end - start < best_ns)); then best_ns=$((end - start)); fi
    done
    echo "$best_ns"
}

cd "$work"
t_tool=$(best "$tool" bench.hzp -j 2)
t_ninja=$(best ninja -j2)
t_make=$(best make -j2)
awk -v n="$jobs" -v a="$t_tool" -v b="$t_ninja" -v c="$t_make" 'BEGIN {
    printf "%d jobs, -j2, best of runs\n", n
    printf "  tessabuild %7.3f ms/job\n", a / n / 1e6
    printf "  ninja      %7.3f ms/job\n", b / n / 1e6
    printf "  make       %7.3f ms/job\n", c / n / 1e6
    printf "  tessabuild/ninja %.2f   tessabuild/make %.2f\n", a / b, a / c
}'
