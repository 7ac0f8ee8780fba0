#!/usr/bin/env bash
# Installs what is missing, builds and starts servo-console.
# With no servo board plugged in (no USB or ACM serial device) the virtual board
# servo-board starts beside it and stops when the program ends; `--no-board`
# or SERVO_BOARD=0 runs the program alone, SERVO_BOARD=1 starts the virtual
# board even when a device is there.
# Without a display both windows are served over VNC on localhost only; the
# SSH tunnel line to reach them is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
want_board=${SERVO_BOARD:-auto}
if [[ ${1:-} == --no-board ]]; then
    want_board=0
fi
bash tools/install-deps.sh
bash tools/build.sh build

program=build/src/servo-console
board=build/src/board/servo-board
# Where a running board registers itself, the same for both programs.
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/runtime-$(id -un)}
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

children=()
stop_children() {
    for pid in "${children[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${children[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
}
trap stop_children EXIT
trap 'exit 130' INT TERM

board_geometry=()
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    display=99
    while [[ -e /tmp/.X$display-lock ]]; do
        display=$((display + 1))
    done
    Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
    children+=($!)
    for _ in $(seq 50); do
        [[ -S /tmp/.X11-unix/X$display ]] && break
        sleep 0.1
    done
    export DISPLAY=":$display"
    port=${VNC_PORT:-5900}
    x11vnc -display "$DISPLAY" -localhost -rfbport "$port" -forever -shared -nopw -quiet >/dev/null 2>&1 &
    children+=($!)
    echo "No display here: both windows are served over VNC on localhost:$port only (Ctrl+C ends it)."
    echo "From your machine: ssh -N -L $port:localhost:$port $(id -un)@$(hostname -f 2>/dev/null || hostname), then open a VNC viewer on localhost:$port."
    # Side by side on the virtual screen, beside the main window.
    board_geometry=(-geometry 1000x680+915+0)
fi

has_device() {
    compgen -G '/dev/ttyUSB*' >/dev/null || compgen -G '/dev/ttyACM*' >/dev/null
}
start_board=0
case $want_board in
    1) start_board=1 ;;
    auto) has_device || start_board=1 ;;
esac
if ((start_board)); then
    board_out=$(mktemp)
    "$board" "${board_geometry[@]}" >"$board_out" &
    children+=($!)
    for _ in $(seq 50); do
        [[ -s $board_out ]] && break
        sleep 0.1
    done
    read -r board_port board_device <"$board_out" || true
    rm -f "$board_out"
    echo "No servo board found: started the virtual board on $board_port ($board_device); pick \"$board_port (虚拟舵机板)\" and Connect."
fi

"$program"
