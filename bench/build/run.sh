#!/usr/bin/env bash
# Build engine benchmark: the up-to-date analysis of a 2,000-file project whose outputs
# are all current against ninja's no-op on the same compiles (target: at most 2.0 times
# ninja's time), and the job list of 200 projects with dependencies; then schedule.sh, the
# scheduling overhead of 2,000 trivial steps against ninja -j2 and make -j2.
# Usage: bench/build/run.sh [FILES PROJECTS RUNS]; BUILD selects the build directory
# (default build). The first build compiles every file once with ninja.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
bench=$build/bin/build_bench
[ -x "$bench" ] || { echo "build first: make" >&2; exit 1; }
command -v ninja >/dev/null || { echo "ninja is not installed (ninja-build)" >&2; exit 1; }
"$bench" "${1:-2000}" "${2:-200}" "${3:-9}"
# The scheduler's overhead per job against ninja and make.
BUILD=$build bash "$root/bench/build/schedule.sh"
