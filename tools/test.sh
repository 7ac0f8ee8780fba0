#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
# The sources keep their format, and the project's own code builds without a warning.
bash tools/format.sh --check
bash tools/build.sh build -DSERVO_CONSOLE_WERROR=ON
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc)"
# The unit and widget tiers again under AddressSanitizer and UndefinedBehaviorSanitizer.
bash tools/sanitize.sh
