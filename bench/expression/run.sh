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
library=$("$bench" "$count" 5 | sed -n 's/^mixed, each value as text *[0-9]* in *\([0-9.]*\) ms.*/\1/p')
# The tool is started straight from python (a shell spends longer building an argument
# list of this size than the tool needs to evaluate it); best of 10 runs, wall clock
# from start to exit.
python3 - "$tool" "$work" "$count" "$library" <<'PYTHON'
import os, sys, time
tool, work, count, library = sys.argv[1], sys.argv[2], int(sys.argv[3]), float(sys.argv[4])
arguments = [tool, "-target", os.path.join(work, "target.txt")]
for expression in open(os.path.join(work, "mixed.txt")).read().splitlines():
    if expression[0] in "@-":
        arguments.append("-e")  # would read as an option or an @file
    arguments.append(expression)

def best_of(argv, runs, output):
    best = 1e9
    for _ in range(runs):
        start = time.perf_counter()
        pid = os.posix_spawn(argv[0], argv, os.environ, file_actions=[
            (os.POSIX_SPAWN_OPEN, 1, output, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)])
        os.waitpid(pid, 0)
        best = min(best, time.perf_counter() - start)
    return best

best_of(arguments, 1, os.path.join(work, "out.txt"))
lines = open(os.path.join(work, "out.txt")).read().count("\n")
if lines != count:
    sys.exit("tessaexpr printed %d lines for %d expressions" % (lines, count))
whole = best_of(arguments, 10, "/dev/null")
start = best_of(["/bin/true"] + arguments[1:], 10, "/dev/null")
per = whole * 1e6 / count
print("tessaexpr, %d mixed expressions as arguments: %.1f ms, %.2f us per expression"
      % (count, whole * 1e3, per))
print("  of which starting any program with these arguments: %.1f ms" % (start * 1e3))
print("library alone, the same expressions as text:   %.1f ms, %.2f us per expression"
      % (library, library * 1e3 / count))
print("target at most 1.5 us per expression for the whole run: %s"
      % ("met" if per <= 1.5 else "NOT met"))
PYTHON
