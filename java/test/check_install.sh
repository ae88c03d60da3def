#!/bin/sh
# Installs the build into a temporary prefix, then compiles the example against the installed jar and runs
# it with the installed library, nothing from the build tree, as the README's two lines do.
# Arguments: cmake javac java BUILD_DIR EXAMPLE.java [example arguments...]
set -eu
cmake=$1 javac=$2 java=$3 build=$4 example=$5
shift 5
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
for file in lib/libvovido.so share/java/vovido.jar share/java/vovido-javadoc.jar share/java/vovido-sources.jar; do
    [ -f "$prefix/$file" ] || { echo "check_install: $file not installed"; exit 1; }
done
mkdir "$prefix/work"
cp "$example" "$prefix/work/"
cd "$prefix/work"
"$javac" -cp "$prefix/share/java/vovido.jar" "$(basename "$example")"
"$java" -Xcheck:jni -Djava.library.path="$prefix/lib" -cp "$prefix/share/java/vovido.jar:." \
    "$(basename "$example" .java)" "$@"
