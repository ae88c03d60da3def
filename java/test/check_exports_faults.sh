#!/bin/sh
# The export check itself: it must fail on a declared native the library does not export and on an
# export that no declaration names, each with its heading and the symbol.
# Usage: check_exports_faults.sh <libvovido.so> <natives.txt>
set -eu
check=$(dirname "$0")/check_exports.sh
lib=$1
list=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
{ cat "$list"; echo Java_tarvo_Network_notWritten; } > "$dir/more"
sed 1d "$list" > "$dir/fewer"
for case in "more:Declared in Java but not exported:Java_tarvo_Network_notWritten" \
            "fewer:Exported but not a native method declared in Java:$(head -n 1 "$list")"; do
    name=${case%%:*}
    rest=${case#*:}
    if output=$(sh "$check" "$lib" "$dir/$name"); then
        echo "check passed a list with a fault ($name)"
        exit 1
    fi
    expected=$(printf '%s:\n%s' "${rest%:*}" "${rest##*:}")
    if [ "$output" != "$expected" ]; then
        printf 'check of the list with a fault (%s) said:\n%s\n' "$name" "$output"
        exit 1
    fi
done
echo "both faults caught"
