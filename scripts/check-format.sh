#!/usr/bin/env bash
# Fails when a source file differs from the repository's .clang-format
# (`make format` rewrites them).
set -euo pipefail
cd "$(dirname "$0")/.."
format=clang-format
command -v "$format" >/dev/null || format=clang-format-14
find core gui cli tools tests bench \( -name '*.cpp' -o -name '*.h' \) -print0 |
    xargs -0 "$format" --dry-run --Werror
echo "check-format: every source file follows .clang-format"
