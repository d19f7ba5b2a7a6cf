#!/usr/bin/env bash
# Installs the Debian packages of a list file (default tools/packages.txt) that are
# not installed yet:
# with apt-get as root, through sudo otherwise.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
list=${1:-$here/packages.txt}
missing=()
while read -r package; do
    case "$package" in ''|'#'*) continue ;; esac
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done < "$list"
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing missing packages: ${missing[*]}"
if [ "$(id -u)" = 0 ]; then
    run=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    run=(sudo -n)
else
    echo "error: missing packages (${missing[*]}); run as root or install them with:" >&2
    echo "  sudo apt-get install ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${run[@]}" apt-get update -qq || true
"${run[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
