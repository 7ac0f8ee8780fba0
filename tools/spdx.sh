#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Puts the licence line at the top of every source file of the project that
# lacks it: "// SPDX-License-Identifier: MIT" in C++ sources and headers,
# "# SPDX-License-Identifier: MIT" in CMake files and shell scripts (after the
# "#!" line where there is one). Files that have it are left as they are, so it
# can run again at any time. The files: *.cpp, *.h, CMakeLists.txt and *.cmake
# under src, tests, bench and cmake, the root CMakeLists.txt, and tools/*.sh.
set -euo pipefail
# The script is among the files it edits: it is read whole (one block) before it
# runs, and ends before bash would read on in the changed file.
{
    cd "$(dirname "$0")/.."

    licence='SPDX-License-Identifier: MIT'

    source_files() {
        find src tests bench cmake -type f \( -name '*.cpp' -o -name '*.h' -o -name CMakeLists.txt -o -name '*.cmake' \)
        echo CMakeLists.txt
        find tools -maxdepth 1 -type f -name '*.sh'
    }

    added=0
    while IFS= read -r file; do
        case "$file" in
            *.cpp | *.h) line="// $licence" ;;
            *) line="# $licence" ;;
        esac
        first=$(head -n 1 "$file")
        if [[ $first == '#!'* ]]; then
            [[ $(sed -n 2p "$file") == "$line" ]] && continue
            { printf '%s\n%s\n' "$first" "$line"; tail -n +2 "$file"; } >"$file.spdx"
        else
            [[ $first == "$line" ]] && continue
            { printf '%s\n' "$line"; cat "$file"; } >"$file.spdx"
        fi
        # Into the file itself, so that its mode (executable scripts) stays.
        cat "$file.spdx" >"$file"
        rm "$file.spdx"
        added=$((added + 1))
    done < <(source_files | sort)
    echo "licence line added to $added files"
    exit 0
}
