#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The unit and widget tiers again, built with AddressSanitizer and
# UndefinedBehaviorSanitizer into ./build-asan (or the folder given): memory
# faults, leaks and undefined behaviour fail the test that meets them.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-asan}
# -O1 and line tables only: all the sanitizers' reports need, in less build time.
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
    -DSERVO_CONSOLE_SANITIZE=ON -DSERVO_CONSOLE_WERROR=ON >/dev/null
# Only what those tiers run: their tests' names that are also targets (a
# program may run under more than one test's name; the extra names are not).
mapfile -t targets < <(comm -12 \
    <(ctest --test-dir "$build_dir" -N -L 'unit|widget' | sed -n 's/^ *Test *#[0-9]*: \(tst_[A-Za-z0-9_]*\)$/\1/p' | sort -u) \
    <(cmake --build "$build_dir" --target help | sed -n 's/^\.\.\. \(tst_[A-Za-z0-9_]*\)$/\1/p' | sort -u))
cmake --build "$build_dir" -j"$(nproc)" --target "${targets[@]}"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" -L 'unit|widget' --output-on-failure -j"$(nproc)"
