#!/usr/bin/env bash
# ForthScript benchmark: forthscript against gforth and gforth-fast (installed by
# bench/run.sh from tools/bench-packages.txt) on recursive fib 30, a 100-million-iteration
# DO LOOP and a sieve of primes up to 10 million. Each system runs each program RUNS times
# (default 3); the best processor time (user plus system: on a busy machine it varies
# less than the wall-clock time) counts, and the peak resident memory of that run is
# shown. The target is a ratio to gforth of at most 2.0.
# Usage: bench/forth/run.sh; BUILD selects the build directory (default build).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${BUILD:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
tool=$build/bin/forthscript
[ -x "$tool" ] || { echo "build first: make" >&2; exit 1; }
runs=${RUNS:-3}
for system in gforth gforth-fast; do
    command -v "$system" >/dev/null || { echo "missing $system: run bench/run.sh" >&2; exit 1; }
done

# The command line of SYSTEM for PROGRAM: gforth needs room for the sieve's 80 MB of
# cells and an explicit bye.
command_of() {
    case $1 in
        forthscript) echo "$tool $2" ;;
        *) echo "$1 -m 256M $2 -e bye" ;;
    esac
}

# "seconds kilobytes" of one run of a command: processor time (user plus system) to the
# millisecond, from the kernel's accounting of the child, and its peak resident memory;
# the command's standard output goes to the file OUT.
measure() {
    local out=$1
    shift
    python3 - "$out" "$@" <<'PY'
import os, sys, tempfile
# posix_spawn, so that the accounting starts at the program and not in a copy of this
# interpreter; /usr/bin/time reports the program's own peak memory.
fd = os.open(sys.argv[1], os.O_WRONLY | os.O_TRUNC)
with tempfile.NamedTemporaryFile("r") as memory:
    command = ["/usr/bin/time", "-f", "%M", "-o", memory.name] + sys.argv[2:]
    pid = os.posix_spawn(command[0], command, os.environ,
                         file_actions=[(os.POSIX_SPAWN_DUP2, fd, 1)])
    _, _, usage = os.wait4(pid, 0)
    print("%.3f %s" % (usage.ru_utime + usage.ru_stime, memory.read().split()[-1]))
PY
}

# Best "seconds kilobytes" of RUNS runs of SYSTEM on PROGRAM; the output must be EXPECTED.
best() {
    local system=$1 program=$2 expected=$3 line best_line= out
    for _ in $(seq "$runs"); do
        out=$(mktemp)
        line=$(measure "$out" $(command_of "$system" "$program"))
        if [ "$(tr -d ' \n' < "$out")" != "$expected" ]; then
            echo "$system $program printed $(cat "$out"), expected $expected" >&2
            rm -f "$out"
            exit 1
        fi
        rm -f "$out"
        if [ -z "$best_line" ] \
           || awk -v a="${line% *}" -v b="${best_line% *}" 'BEGIN {exit !(a < b)}'; then
            best_line=$line
        fi
    done
    echo "$best_line"
}

declare -A expected=([fib]=832040 [loop]=150000000 [sieve]=664579)
for program in fib loop sieve; do
    declare -A seconds=() memory=()
    for system in forthscript gforth gforth-fast; do
        result=$(best "$system" "$here/$program.fs" "${expected[$program]}") || exit 1
        read -r s m <<< "$result"
        seconds[$system]=$s
        memory[$system]=$m
    done
    printf '%-5s forthscript %6.3f s %7d KB | gforth %6.3f s %7d KB' \
        "$program" "${seconds[forthscript]}" "${memory[forthscript]}" "${seconds[gforth]}" \
        "${memory[gforth]}"
    printf ' | gforth-fast %6.3f s %7d KB\n' "${seconds[gforth-fast]}" "${memory[gforth-fast]}"
    awk -v o="${seconds[forthscript]}" -v g="${seconds[gforth]}" -v f="${seconds[gforth-fast]}" '
        function ratio(a, b) { return b > 0 ? a / b : 0 }
        BEGIN { printf "      ratio to gforth %.2f (target at most 2.0), to gforth-fast %.2f\n",
                       ratio(o, g), ratio(o, f) }'
done
