#!/usr/bin/env bash
# Package archives against tar + gzip on a tree of about 1,500 files and 150 MB (text and
# random data): `tessapkg create -level 6` vs `tar czf` (gzip -6) and `tessapkg extract`
# vs `tar xzf`, each the best of RUNS runs, with peak resident memory.
#   bench/package/run.sh            (BUILD=build-dir, RUNS=3, FILES=1500, MEGABYTES=150)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${BUILD:-build}
runs=${RUNS:-3}
tool=$PWD/$build/bin/tessapkg
if [ ! -x "$tool" ]; then
    echo "error: $tool is missing; build it first (make build, or BUILD=<dir>)" >&2
    exit 1
fi
for program in tar gzip /usr/bin/time python3; do
    command -v "$program" >/dev/null || { echo "error: $program is missing" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/packagebench.XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 bench/package/maketree.py "$work/tree" "${FILES:-1500}" "${MEGABYTES:-150}"
cd "$work"
largest=$(find tree -type f -printf '%s\n' | sort -n | tail -1)
echo "tree: $(find tree -type f | wc -l) files, $(du -sm tree | cut -f1) MB," \
     "largest $((largest / 1024)) KB"

# measure NAME COMMAND...: best wall time (s) and the peak RSS (KB) of that run.
measure() {
    local name=$1 best="" rss=""
    shift
    for ((i = 0; i < runs; i++)); do
        rm -rf out && mkdir out
        /usr/bin/time -f "%e %M" -o timing "$@" >/dev/null
        read -r seconds kilobytes < timing
        if [ -z "$best" ] || awk "BEGIN { exit !($seconds < $best) }"; then
            best=$seconds
            rss=$kilobytes
        fi
    done
    printf '%-22s %7.2f s %9d KB peak RSS\n' "$name" "$best" "$rss"
    eval "${name//[^a-z]/_}_time=$best"
}

# gzip compresses at level 6 unless told otherwise.
measure "tar czf" tar czf tree.tgz tree
measure "tessapkg create" "$tool" create tree.pkg tree -level 6
measure "tar xzf" tar xzf tree.tgz -C out
measure "tessapkg extract" "$tool" extract tree.pkg out
diff -r tree out/tree >/dev/null && echo "extracted tree matches the original"

echo "archive sizes: tar.gz $(stat -c %s tree.tgz) bytes, package $(stat -c %s tree.pkg) bytes"
awk -v c="$tessapkg_create_time" -v t="$tar_czf_time" \
    'BEGIN { printf "create ratio  %.2f (target <= 1.05)\n", c / t }'
awk -v c="$tessapkg_extract_time" -v t="$tar_xzf_time" \
    'BEGIN { printf "extract ratio %.2f (target <= 1.00)\n", c / t }'
