#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds what is stale and starts servo-console.
# With no servo board plugged in (no USB or ACM serial device) the virtual board
# servo-board starts beside it and stops when the program ends; `--no-board`
# or SERVO_BOARD=0 runs the program alone, SERVO_BOARD=1 starts the virtual
# board even when a device is there.
# Without a display both windows are served over VNC on localhost only, with a
# password made for the run; the SSH tunnel line to reach them is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
want_board=${SERVO_BOARD:-auto}
if [[ ${1:-} == --no-board ]]; then
    want_board=0
fi
bash tools/install-deps.sh
# Configured once; after that the build itself notices a changed CMakeLists.txt.
[[ -f build/CMakeCache.txt ]] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target servo-console servo-board >/dev/null

program=build/src/servo-console
board=build/src/board/servo-board

children=()
made_runtime=
stop_children() {
    for pid in "${children[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${children[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    [[ -z $made_runtime ]] || rm -rf "$made_runtime"
}
trap stop_children EXIT
trap 'exit 130' INT TERM

# Where a running board registers itself, the same for both programs: the
# user's runtime folder when it is theirs alone, else a private one for this run.
private_folder() {
    [[ -d $1 && ! -L $1 && $(stat -c '%u %a' "$1") == "$(id -u) 700" ]]
}
if [[ -n ${XDG_RUNTIME_DIR:-} ]] && ! private_folder "$XDG_RUNTIME_DIR"; then
    echo "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR is not a folder of $(id -un)'s alone (mode 700); using a private one for this run."
fi
if [[ -z ${XDG_RUNTIME_DIR:-} ]] || ! private_folder "$XDG_RUNTIME_DIR"; then
    made_runtime=$(mktemp -d)
    export XDG_RUNTIME_DIR=$made_runtime
fi

# The main window at the screen's top left, the board's window to its right;
# on a screen too narrow for both, the board's window keeps to the right edge.
program_geometry=(-geometry +0+0)
board_geometry=(-geometry +930+0)
screen_width=$(xdpyinfo 2>/dev/null | sed -n 's/^ *dimensions: *\([0-9]*\)x.*/\1/p' | head -n 1)
if [[ -n $screen_width && $screen_width -lt $((930 + 600)) ]]; then
    board_geometry=(-geometry -0+0)
fi
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    source tools/vncdisplay.sh
    serve_display_over_vnc "$XDG_RUNTIME_DIR"
    board_geometry=(-geometry 980x680+930+0)
fi

has_device() {
    compgen -G '/dev/ttyUSB*' >/dev/null || compgen -G '/dev/ttyACM*' >/dev/null
}
start_board=0
case $want_board in
    1) start_board=1 ;;
    auto) has_device || start_board=1 ;;
esac
# The arm profile beside cmd.txt, found as the program finds it: beside the
# program when that folder can be written, else in the user's data folder.
profile_args=()
for folder in "$(dirname "$program")" "${XDG_DATA_HOME:-$HOME/.local/share}/servo-console"; do
    if [[ -w $folder || $folder != "$(dirname "$program")" ]]; then
        [[ -f $folder/arm.json ]] && profile_args=(--profile "$folder/arm.json")
        break
    fi
done
if ((start_board)); then
    board_out=$XDG_RUNTIME_DIR/servo-board.out
    board_err=$XDG_RUNTIME_DIR/servo-board.err
    "$board" "${board_geometry[@]}" "${profile_args[@]}" >"$board_out" 2> >(tee "$board_err" >&2) &
    board_pid=$!
    for _ in $(seq 50); do
        [[ -s $board_out ]] && break
        kill -0 "$board_pid" 2>/dev/null || break
        sleep 0.1
    done
    if read -r board_port board_device <"$board_out"; then
        children+=("$board_pid")
        echo "No servo board found: started the virtual board on $board_port ($board_device); pick \"$board_port (虚拟舵机板)\" and Connect."
    else
        kill "$board_pid" 2>/dev/null || true
        wait "$board_pid" 2>/dev/null || true
        reason=$(tr '\n' ' ' <"$board_err")
        echo "The virtual board did not start (${reason:-no port line within 5 s}); going on without it."
    fi
    rm -f "$board_out"
fi

"$program" "${program_geometry[@]}"
