#!/usr/bin/env bash
# Usage: classowners.sh LIBRARY.a...
# Lists the classes (and namespaces) whose out-of-line functions are compiled into more
# than one of the libraries, and exits 1 when there is any. Two private classes of one
# name in two libraries link without complaint when one's destructor is inline and the
# other's is not, and then each runs the other's code; this finds such a pair.
set -euo pipefail
for library in "$@"; do
    nm -C --defined-only "$library" |
        awk -v library="$(basename "$library")" '$2 == "T" { $1 = ""; $2 = ""; print library "\t" substr($0, 3) }'
done | awk -F'\t' '
    {
        name = $2
        paren = index(name, "(")
        if (paren) name = substr(name, 1, paren - 1)
        count = split(name, parts, "::")
        if (count < 2) next
        owner = substr(name, 1, length(name) - length(parts[count]) - 2)
        if ((owner, $1) in seen) next
        seen[owner, $1] = 1
        libraries[owner] = libraries[owner] " " $1
        owners[owner]++
    }
    END {
        status = 0
        for (owner in owners) if (owners[owner] > 1) { print owner ":" libraries[owner]; status = 1 }
        exit status
    }'
