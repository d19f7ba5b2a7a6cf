#!/usr/bin/env bash
# Highlighting speed on a generated 50,000-line Python file and a 50,000-line C file:
# the parser alone (lines per second, best of 20 passes), and `tessahighlight -format
# html` against `pygmentize -f html` (Debian python3-pygments), each the best of RUNS
# runs of the whole program.
#   bench/codeedit/run.sh            (BUILD=build-dir, RUNS=3, LINES=50000)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${BUILD:-build}
runs=${RUNS:-3}
lines=${LINES:-50000}
tool=$PWD/$build/bin/tessahighlight
bench=$PWD/$build/bin/codeeditbench
for program in "$tool" "$bench"; do
    if [ ! -x "$program" ]; then
        echo "error: $program is missing; build it first (make build, or BUILD=<dir>)" >&2
        exit 1
    fi
done
pygmentize=/usr/bin/pygmentize
[ -x "$pygmentize" ] || pygmentize=$(command -v pygmentize) \
    || { echo "error: pygmentize is missing (python3-pygments)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/codeeditbench.XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 bench/codeedit/makesources.py "$work" "$lines"

echo "parser alone:"
"$bench" python "$work/bench.py"
"$bench" c "$work/bench.c"

# best COMMAND...: the best wall time and the best processor time (user + system) of
# RUNS runs, in seconds. The machine may be shared, so the processor time is the fairer
# comparison; both are shown.
best() {
    local wall cpu user system bestWall="" bestCpu=""
    for ((i = 0; i < runs; i++)); do
        /usr/bin/time -f "%e %U %S" -o "$work/timing" "$@" >"$work/out.html"
        read -r wall user system < "$work/timing"
        cpu=$(awk "BEGIN { print $user + $system }")
        if [ -z "$bestWall" ] || awk "BEGIN { exit !($wall < $bestWall) }"; then
            bestWall=$wall
        fi
        if [ -z "$bestCpu" ] || awk "BEGIN { exit !($cpu < $bestCpu) }"; then
            bestCpu=$cpu
        fi
    done
    echo "$bestWall $bestCpu"
}

echo "whole programs, html output (wall time / processor time):"
for file in bench.py bench.c; do
    read -r oursWall oursCpu < <(best "$tool" -format html "$work/$file")
    read -r theirsWall theirsCpu < <(best "$pygmentize" -f html -O full "$work/$file")
    awk -v f="$file" -v n="$lines" -v aw="$oursWall" -v ac="$oursCpu" -v bw="$theirsWall" \
        -v bc="$theirsCpu" 'function max(x, y) { return x > y ? x : y }
    BEGIN {
        ac = max(ac, 0.01); bc = max(bc, 0.01)
        printf "%-9s tessahighlight %6.3f s / %6.3f s (%8.0f lines/s)\n", f, aw, ac, n / aw
        printf "%-9s pygmentize     %6.3f s / %6.3f s (%8.0f lines/s)\n", "", bw, bc, n / bw
        printf "%-9s tessahighlight is %.1fx faster by wall time, %.1fx by processor time\n",
               "", bw / aw, bc / ac }'
done
