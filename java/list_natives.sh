#!/bin/sh
# Prints, sorted, the export name of every native method declared in the JNI headers that javac -h wrote
# into the directory given as the only argument. Regenerate the list with:
#   java/list_natives.sh <build>/java/jni_headers > java/natives.txt
set -eu
dir=$1
# Methods that Java does not overload but whose exports carry the long name: the JVM looks the long
# name up after the short one, so they bind all the same.
long_form=" Java_tarvo_Network_setSubmodelDescription Java_tarvo_Network_setSubmodelDescrpition "
cat "$dir"/*.h | awk -v long_form="$long_form" '
    # Mangles the argument types of a JNI signature as the long export name wants them.
    function mangle(sig,    args, out, i, c) {
        args = substr(sig, 2, index(sig, ")") - 2)
        out = ""
        for (i = 1; i <= length(args); i++) {
            c = substr(args, i, 1)
            if (c == "/") out = out "_"
            else if (c == ";") out = out "_2"
            else if (c == "[") out = out "_3"
            else if (c == "_") out = out "_1"
            else out = out c
        }
        return out
    }
    /^ \* Signature:/ { signature = $3 }
    /JNIEXPORT/ {
        name = $NF
        if (index(long_form, " " name " ") > 0) name = name "__" mangle(signature)
        print name
    }
' | LC_ALL=C sort
