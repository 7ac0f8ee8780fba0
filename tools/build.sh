#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Configures and builds servo-console into ./build (or the folder given).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
shift || true
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
