#!/usr/bin/env bash
# Language-server client benchmark.
# 1. Client overhead: COUNT (default 1000) hover requests, one after another, against a
#    scripted server that answers at once; tessalsp against client.py, a minimal Python
#    client doing the same in the same run. The per-request cost is (time of COUNT
#    requests - time of 1 request) / (COUNT - 1), so that process start-up drops out; best
#    of RUNS (default 3). Target: tessalsp at most 1.0x the Python client.
# 2. clangd completion latency through tessalsp (when /usr/bin/clangd exists): a member
#    completion repeated 20 times after the file is parsed, the same difference method.
# Usage: bench/languageserver/run.sh; BUILD selects the build directory (default build).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${BUILD:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
tool=$build/bin/tessalsp
server=$build/bin/lsp_bench_server
[ -x "$tool" ] && [ -x "$server" ] || { echo "build first: make" >&2; exit 1; }
count=${COUNT:-1000}
runs=${RUNS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'struct Point { int x; int y; };\nint main()\n{\n    Point p;\n    return p.x;\n}\n' \
    > "$work/a.cpp"

# Best wall-clock seconds of RUNS runs of the command.
best() {
    local best_time= start end t
    for _ in $(seq "$runs"); do
        start=$(date +%s%N)
        "$@" > /dev/null
        end=$(date +%s%N)
        t=$(( end - start ))
        if [ -z "$best_time" ] || [ "$t" -lt "$best_time" ]; then best_time=$t; fi
    done
    awk -v t="$best_time" 'BEGIN { printf "%.6f", t / 1e9 }'
}

repeat() {  # repeat N WORDS...: the words N times
    local n=$1; shift
    for _ in $(seq "$n"); do printf '%s\n' "$@"; done
}

mapfile -t many < <(repeat "$count" hover 1:1)
lsp_one=$(best "$tool" -server "$server" "$work/a.cpp" hover 1:1)
lsp_many=$(best "$tool" -server "$server" "$work/a.cpp" "${many[@]}")
py_one=$(best python3 "$here/client.py" "$server" "$work/a.cpp" 1)
py_many=$(best python3 "$here/client.py" "$server" "$work/a.cpp" "$count")
awk -v n="$count" -v l1="$lsp_one" -v ln="$lsp_many" -v p1="$py_one" -v pn="$py_many" 'BEGIN {
    l = (ln - l1) / (n - 1) * 1e6; p = (pn - p1) / (n - 1) * 1e6
    printf "hover x%d  tessalsp %.3f s (%.1f us/request) | python %.3f s (%.1f us/request)\n",
           n, ln, l, pn, p
    printf "           ratio per request %.2f (target at most 1.0)\n", l / p }'

if [ -x /usr/bin/clangd ]; then
    mapfile -t completions < <(repeat 20 complete 5:14)
    c1=$(best "$tool" -D CLANGD=/usr/bin/clangd "$work/a.cpp" diagnostics complete 5:14)
    cn=$(best "$tool" -D CLANGD=/usr/bin/clangd "$work/a.cpp" diagnostics "${completions[@]}")
    awk -v a="$c1" -v b="$cn" 'BEGIN {
        printf "clangd member completion through tessalsp: %.1f ms each\n", (b - a) / 19 * 1000 }'
fi
