#!/usr/bin/env bash
# Lists the class and struct names defined at the start of a line in more than one
# folder of src/ and apps/; exits 1 when there is any. A helper kept inside an anonymous
# namespace may share its name, but is better off with a name of its own too.
set -euo pipefail
cd "$1"
duplicates=$(for dir in src/*/ apps/*/; do
        grep -rhE --include='*.h' --include='*.cpp' '^(class|struct) [A-Za-z_][A-Za-z0-9_]*' "$dir" |
            grep -v ';[[:space:]]*$' | awk '{print $2}' | sort -u | sed "s|^|$(basename "$dir") |"
    done | awk '{count[$2]++; where[$2] = where[$2] " " $1}
                END {for (name in count) if (count[name] > 1) print name ":" where[name]}')
if [ -n "$duplicates" ]; then
    echo "class names defined in more than one folder:"
    echo "$duplicates"
    exit 1
fi
