#!/usr/bin/env bash
# Project model benchmark: load and save of a generated solution with 5,000 files in 200
# folders (best and median of 7 runs, peak RSS). Target: load and save under 100 ms each.
# Usage: bench/projectsystem/run.sh [FILES FOLDERS RUNS]; BUILD selects the build
# directory (default build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
bench=$build/bin/projectsystem_bench
[ -x "$bench" ] || { echo "build first: make" >&2; exit 1; }
"$bench" "${1:-5000}" "${2:-200}" "${3:-7}"
