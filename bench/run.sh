#!/usr/bin/env bash
# Runs every benchmark script (bench/<subsystem>/run.sh), or those named on the command
# line (e.g. bench/run.sh cp loadfile). Expects a built tree in build/ (make bench).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh tools/bench-packages.txt
if [ $# -eq 0 ]; then
    set -- $(for f in bench/*/run.sh; do basename "$(dirname "$f")"; done)
fi
for subsystem in "$@"; do
    echo "=== $subsystem"
    bash "bench/$subsystem/run.sh"
done
