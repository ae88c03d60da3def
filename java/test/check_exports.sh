#!/bin/sh
# Checks the dynamic symbols of the native library against the list of native methods declared in Java,
# both ways: every exported symbol must be in the list, and every native in the list must be exported
# (a declared native left unwritten would fail only when Java first calls it).
# Usage: check_exports.sh <libvovido.so> <natives.txt>
set -eu
lib=$1
list=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
nm -D --defined-only "$lib" | awk 'NF >= 3 { print $3 }' | LC_ALL=C sort -u > "$dir/exported"
grep . "$list" | LC_ALL=C sort -u > "$dir/declared"
status=0
if [ -n "$(LC_ALL=C comm -23 "$dir/exported" "$dir/declared")" ]; then
    echo "Exported but not a native method declared in Java:"
    LC_ALL=C comm -23 "$dir/exported" "$dir/declared"
    status=1
fi
if [ -n "$(LC_ALL=C comm -13 "$dir/exported" "$dir/declared")" ]; then
    echo "Declared in Java but not exported:"
    LC_ALL=C comm -13 "$dir/exported" "$dir/declared"
    status=1
fi
[ "$status" = 0 ] && echo "all $(grep -c . "$dir/declared") native methods exported, nothing else"
exit "$status"
