#!/usr/bin/env bash
# Builds the fuzz targets and runs each one briefly: fuzz/run.sh [SECONDS] [TARGET...]
# Targets are the executables in build-fuzz/fuzzbin; corpora live in build-fuzz/corpus/<target>,
# seeded from fuzz/<subsystem>/seeds/<target>/ where such a folder exists.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
make fuzz >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for f in build-fuzz/fuzzbin/*; do [ -x "$f" ] && targets+=("$(basename "$f")"); done
fi
for target in "${targets[@]}"; do
    corpus=build-fuzz/corpus/$target
    mkdir -p "$corpus"
    for seeds in fuzz/*/seeds/"$target"; do
        [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
    done
    echo "=== $target ($seconds s)"
    build-fuzz/fuzzbin/"$target" -max_total_time="$seconds" -rss_limit_mb=2048 "$corpus" \
        2>&1 | tail -n 3
done
