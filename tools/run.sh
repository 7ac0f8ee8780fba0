#!/usr/bin/env bash
# Installs what is missing, builds and starts servo-console.
# Without a display the window is served over VNC instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/build.sh build

program=build/src/servo-console
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
    exec "$program"
fi
port=${VNC_PORT:-5900}
echo "No display here: servo-console is served over VNC."
echo "Connect a VNC viewer to $(hostname -I 2>/dev/null | awk '{print $1}' || echo localhost):$port (Ctrl+C ends it)."
QT_QPA_PLATFORM="vnc:size=1024x768:port=$port" exec "$program"
