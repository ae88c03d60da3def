#!/usr/bin/env bash
# Installs what the build needs on a fresh Debian machine; does nothing when it is all there.
set -euo pipefail

packages=(locales cmake ninja-build g++ clang clang-format-14 libclang-rt-14-dev libgtest-dev libbenchmark-dev libexpat1-dev openjdk-17-jdk-headless
    time)  # time: the CPU time and peak memory of each section of scripts/compare-commit.sh
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

# A decimal-comma locale, so the tests can check that number text never follows the process locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1 || echo "note: no de_DE.UTF-8 locale; locale tests skip"
fi
