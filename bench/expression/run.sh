#!/usr/bin/env bash
# Expression language benchmark: parse and evaluate 100,000 expressions in one process
# (best of 5 passes): constant expressions of five operands, and a mix of constants and
# simulated-target variables, registers and members. Target: at least 500,000 constant
# expressions per second.
# Usage: bench/expression/run.sh [COUNT [RUNS]]; BUILD selects the build directory
# (default build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
bench=$build/bin/expression_bench
[ -x "$bench" ] || { echo "build first: make" >&2; exit 1; }
"$bench" "${1:-100000}" "${2:-5}"
