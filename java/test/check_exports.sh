#!/bin/sh
# Checks the dynamic symbols of the native library against the list of native methods declared in Java:
# every exported symbol must be in the list (natives not written yet are simply absent), and the
# library must at least export Wrapper.nativeStaticInit.
# Usage: check_exports.sh <libvovido.so> <natives.txt>
set -eu
lib=$1
list=$2
exports=$(nm -D --defined-only "$lib" | awk 'NF >= 3 { print $3 }' | LC_ALL=C sort -u)
unknown=$(printf '%s\n' "$exports" | LC_ALL=C comm -23 - "$list")
count=$(printf '%s\n' "$exports" | grep -c . || true)
if [ -n "$unknown" ]; then
    echo "Exported but not a native method declared in Java:"
    printf '%s\n' "$unknown"
    exit 1
fi
if ! printf '%s\n' "$exports" | grep -qx Java_tarvo_Wrapper_nativeStaticInit; then
    echo "Java_tarvo_Wrapper_nativeStaticInit is not exported"
    exit 1
fi
echo "$count of $(grep -c . "$list") native methods exported, nothing else"
