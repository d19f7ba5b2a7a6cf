#!/usr/bin/env bash
# cp benchmarks, each against a reference tool in the same run (best of 3 runs):
#  1. byte copy of a 512 MiB file that sits in the page cache: build/bin/cp vs GNU cp;
#  2. -expandmacros text copy of a ~100 MB file full of $(NAME) references vs sed
#     doing the same substitutions (the outputs are compared byte for byte).
# Usage: bench/cp/run.sh [WORKDIR]   (default: a fresh temporary directory); BUILD selects
# the build directory (default build)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
cp_tool=$build/bin/cp
[ -x "$cp_tool" ] || { echo "build first: make" >&2; exit 1; }
if [ $# -ge 1 ]; then
    work=$1
    mkdir -p "$work"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
cd "$work"

best() {  # best wall time in seconds of 3 runs of "$@"
    local best=
    for _ in 1 2 3; do
        local start end
        start=$(date +%s.%N)
        "$@" >/dev/null
        end=$(date +%s.%N)
        best=$(echo "$start $end ${best:-}" | awk '{t=$2-$1; if ($3=="" || t<$3) print t; else print $3}')
    done
    echo "$best"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "preparing inputs in $work"
head -c $((512 * 1024 * 1024)) /dev/urandom > big.bin
cat big.bin > /dev/null  # into the page cache

names=(BOARD FLASH_SIZE RAM_SIZE VERSION VENDOR CPU CLOCK STACK)
values=(TR-M4 512K 128K 5.4 Tessa cortex-m4 168000000 0x800)
awk -v target=$((100 * 1024 * 1024)) 'BEGIN {
    srand(1); split("BOARD FLASH_SIZE RAM_SIZE VERSION VENDOR CPU CLOCK STACK", n, " ");
    while (size < target) {
        line = "";
        k = 1 + int(rand() * 4);
        for (i = 0; i < k; i++)
            line = line sprintf("text %d $(%s) more ", int(rand() * 100000), n[1 + int(rand() * 8)]);
        print line; size += length(line) + 1;
    }
}' > big.txt
defines=()
sed_script=()
for i in "${!names[@]}"; do
    defines+=(-D "${names[$i]}=${values[$i]}")
    sed_script+=(-e "s/\\\$(${names[$i]})/${values[$i]}/g")
done

t_ours=$(best "$cp_tool" big.bin ours.bin)
t_gnu=$(best /bin/cp big.bin gnu.bin)
cmp -s big.bin ours.bin || { echo "byte copy differs" >&2; exit 1; }
rm -f ours.bin gnu.bin
echo "byte copy 512 MiB:     cp $t_ours s, GNU cp $t_gnu s, ratio $(ratio "$t_ours" "$t_gnu") (target <= 1.2)"

t_ours=$(best "$cp_tool" -expandmacros "${defines[@]}" big.txt ours.txt)
t_sed=$(best sh -c 'sed "$@" big.txt > sed.txt' sed "${sed_script[@]}")
cmp -s ours.txt sed.txt || { echo "text copy differs from sed" >&2; exit 1; }
echo "expandmacros ~100 MB:  cp $t_ours s, sed $t_sed s, ratio $(ratio "$t_ours" "$t_sed") (target <= 1.0)"
