#!/usr/bin/env bash
# Times tessaload against GNU objcopy and srec_cat on a 32 MiB random image:
# binary -> Intel HEX, binary -> S-records (S3), binary -> TI-TXT, Intel HEX -> binary
# and S-records -> binary. Each conversion runs REPEAT times per tool (default 3); the
# best wall-clock and CPU (user + system) times count. Ratios below 1.0 mean tessaload
# is faster. Every output is checked against the reference tool's before timing counts.
#
#   bench/loadfile/run.sh                 # uses build/bin/tessaload
#   TESSALOAD=build-x/bin/tessaload REPEAT=5 bench/loadfile/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
tessaload=$(realpath "${TESSALOAD:-${BUILD:-build}/bin/tessaload}")
repeat=${REPEAT:-3}
size_mib=${SIZE_MIB:-32}
for tool in "$tessaload" objcopy srec_cat; do
    command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

# Work in memory when possible so that the disk does not dominate the figures.
base=/dev/shm
[ -d "$base" ] && [ -w "$base" ] || base=${TMPDIR:-/tmp}
work=$(mktemp -d "$base/tessaload-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# Flash images live at 0x08000000: every S-record is an S3 record and the Intel HEX
# files need extended linear address records.
address=0x08000000
head -c $((size_mib << 20)) /dev/urandom > image.bin
objcopy -I binary -O ihex --change-addresses $address image.bin image.hex
objcopy -I binary -O srec --srec-forceS3 --change-addresses $address image.bin image.srec

# best_of COMMAND...: prints "WALL CPU" in seconds, the best of $repeat runs each.
best_of() {
    local best_wall="" best_cpu="" i wall cpu
    for ((i = 0; i < repeat; ++i)); do
        /usr/bin/time -f "%e %U %S" -o time.out "$@" >/dev/null 2>&1 \
            || { echo "failed: $*" >&2; exit 1; }
        read -r wall user system < time.out
        cpu=$(echo "$user + $system" | bc)
        if [ -z "$best_wall" ] || (( $(echo "$wall < $best_wall" | bc) )); then
            best_wall=$wall
        fi
        if [ -z "$best_cpu" ] || (( $(echo "$cpu < $best_cpu" | bc) )); then
            best_cpu=$cpu
        fi
    done
    echo "$best_wall $best_cpu"
}

ratio() { echo "scale=2; $1 / $2" | bc | sed 's/^\./0./'; }

# Memory contents must agree: converted back to binary by objcopy where it can.
same_image() {
    local file=$1 format=$2
    case "$format" in
        binary) cmp -s "$file" image.bin ;;
        ti-txt) srec_cat "$file" -ti-txt -offset -$address -o check.bin -binary 2>/dev/null
                cmp -s check.bin image.bin ;;
        *)      objcopy -I "$format" -O binary "$file" check.bin && cmp -s check.bin image.bin ;;
    esac
}

printf "%-22s %10s %10s %10s %10s %10s %10s %9s %9s\n" conversion \
    tessaload cpu objcopy cpu srec_cat cpu "t/objcopy" "srec/t"
run() {
    local name=$1 check_format=$2 output=$3 ours=$4 objcopy_command=$5 srec_command=$6
    local t o s
    t=$(best_of $ours)
    same_image "$output" "$check_format" || { echo "$name: tessaload output differs" >&2; exit 1; }
    o="- -"
    [ -n "$objcopy_command" ] && o=$(best_of $objcopy_command)
    s=$(best_of $srec_command)
    set -- $t $o $s
    local objcopy_ratio="n/a"
    [ "$3" != "-" ] && objcopy_ratio=$(ratio "$1" "$3")
    printf "%-22s %10s %10s %10s %10s %10s %10s %9s %9s\n" "$name" "$1" "$2" "$3" "$4" \
        "$5" "$6" "$objcopy_ratio" "$(ratio "$5" "$1")"
}

run "binary -> Intel HEX" ihex out.hex \
    "$tessaload convert image.bin out.hex -loadaddress $address" \
    "objcopy -I binary -O ihex --change-addresses $address image.bin ref.hex" \
    "srec_cat image.bin -binary -offset $address -o ref.hex -intel"
run "binary -> S-record S3" srec out.srec \
    "$tessaload convert image.bin out.srec -loadaddress $address" \
    "objcopy -I binary -O srec --srec-forceS3 --change-addresses $address image.bin ref.srec" \
    "srec_cat image.bin -binary -offset $address -o ref.srec -address-length=4"
run "binary -> TI-TXT" ti-txt out.txt \
    "$tessaload convert image.bin out.txt -loadaddress $address" \
    "" \
    "srec_cat image.bin -binary -offset $address -o ref.txt -ti-txt"
run "Intel HEX -> binary" binary out.bin \
    "$tessaload convert image.hex out.bin" \
    "objcopy -I ihex -O binary image.hex ref.bin" \
    "srec_cat image.hex -intel -offset -$address -o ref.bin -binary"
run "S-record -> binary" binary out.bin \
    "$tessaload convert image.srec out.bin" \
    "objcopy -I srec -O binary image.srec ref.bin" \
    "srec_cat image.srec -offset -$address -o ref.bin -binary"
echo "times in seconds (best of $repeat, ${size_mib} MiB image); t/objcopy = tessaload wall /"
echo "objcopy wall (target <= 1.0); srec/t = srec_cat wall / tessaload wall (TI-TXT target >= 5)"
