#!/usr/bin/env bash
# Builds the library with its Java classes and runs the Java example: it reads the Asia network, observes
# a positive X-ray and dyspnoea and prints every node's posterior beliefs. Arguments replace the network
# and the evidence:
#     scripts/run-example.sh [FILE [NODE=OUTCOME ...]]
# The same work in C++ alone: build/examples/vovido-beliefs FILE [NODE=OUTCOME ...]; without arguments it
# prints the priors of examples/asia.vrx.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target vovido vovido_java vovido_example vovido-beliefs \
    --parallel "$(nproc 2>/dev/null || echo 2)" >/dev/null
if [ $# -eq 0 ]; then
    set -- examples/asia.vrx XRay=yes Dyspnea=yes
fi
exec java -Djava.library.path=build -cp build/java/vovido.jar:build/java/vovido-example.jar BeliefsExample "$@"
