#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Formats the project's C++ sources with .clang-format; `--check` changes
# nothing and fails, naming the files, when one is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t sources < <(git ls-files --cached --others --exclude-standard -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h')
if [[ ${1:-} == --check ]]; then
    clang-format --dry-run -Werror "${sources[@]}"
else
    clang-format -i "${sources[@]}"
fi
