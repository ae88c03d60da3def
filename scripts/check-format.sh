#!/usr/bin/env bash
# Fails when a tracked C++ source differs from what the pinned clang-format makes of it:
# scripts/check-format.sh [--fix] (--fix rewrites the files in place instead).
set -euo pipefail
cd "$(dirname "$0")/.."
format=clang-format-14
command -v "$format" >/dev/null || { echo "check-format: $format is missing (scripts/setup.sh installs it)"; exit 1; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
    "$format" -i "${files[@]}"
    exit 0
fi
report=$(mktemp)
trap 'rm -f "$report"' EXIT
if ! "$format" --dry-run --Werror "${files[@]}" 2>"$report"; then
    grep -o '^[^:]*:[0-9]*:[0-9]*: error' "$report" | cut -d: -f1 | sort -u | sed 's/^/unformatted: /'
    echo "check-format: run scripts/check-format.sh --fix"
    exit 1
fi
echo "check-format: ${#files[@]} files formatted"
