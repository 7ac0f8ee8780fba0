#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds what is stale and starts servo-console.
#
#   bash tools/run.sh [--no-board | --board-only] [--language zh|en]
#
# With no servo board plugged in (no USB or ACM serial device) the virtual board
# servo-board starts beside it and stops when the program ends; `--no-board`
# or SERVO_BOARD=0 runs the program alone, SERVO_BOARD=1 starts the virtual
# board even when a device is there. `--board-only` starts the virtual board
# (and the display, below) without the program, until Ctrl+C: for a program
# run from a debugger, or by a test.
# The board speaks the program's language: the one chosen in its 语言 menu,
# or `--language`, which both then take.
# The board follows the arm profile arm.json beside cmd.txt, also when it is
# first written while they run.
# Without a display both windows are served over VNC on localhost only
# (VNC_PORT, default 5900; VNC_SCREEN, default 1920x1080), with a password made
# for the run; the SSH tunnel line to reach them is printed.
# SERVO_BUILD_DIR names the build folder (default build).
set -euo pipefail
cd "$(dirname "$0")/.."

# The comment above, without its licence line.
usage() {
    sed -n '3,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"
}
fail() {
    echo "run.sh: $*" >&2
    exit 1
}
# Whatever else stops the script says where.
trap 'echo "run.sh: stopped at line $LINENO: $BASH_COMMAND failed." >&2' ERR

want_board=${SERVO_BOARD:-auto}
want_program=1
language=
while (($#)); do
    case $1 in
        --no-board) want_board=0 ;;
        --board-only) want_program=0 ;;
        --language)
            (($# > 1)) || fail "--language needs zh or en."
            language=$2
            shift
            ;;
        --language=*) language=${1#--language=} ;;
        -h | --help)
            usage
            exit 0
            ;;
        *)
            usage >&2
            fail "unknown option $1."
            ;;
    esac
    shift
done
[[ -z $language || $language == zh || $language == en ]] || fail "--language takes zh or en, not \"$language\"."
if ((!want_program)); then
    [[ $want_board != 0 ]] || fail "--board-only and --no-board leave nothing to start."
    want_board=1
fi

# What the run started, stopped in the reverse order of their start, each
# waited for: the program saves its sequence while its display is still
# there. The run's files go with them.
children=()
build_log=
made_runtime=
run_folder=
stop_children() {
    # A second Ctrl+C (or a signal sent to the whole group) must not cut
    # this short and leave the servers running.
    trap '' INT TERM HUP
    local i
    for ((i = ${#children[@]} - 1; i >= 0; i--)); do
        kill "${children[i]}" 2>/dev/null || true
        wait "${children[i]}" 2>/dev/null || true
    done
    rm -f "$build_log"
    [[ -z $run_folder ]] || rm -rf "$run_folder"
    [[ -z $made_runtime ]] || rm -rf "$made_runtime"
}
trap stop_children EXIT
trap 'exit 130' INT TERM HUP

bash tools/install-deps.sh ||
    fail "installing what is missing failed (above); the first run must be root, with Debian's archive in reach."
build=${SERVO_BUILD_DIR:-build}
build_log=$(mktemp)
# Configured once; after that the build itself notices a changed CMakeLists.txt.
[[ -f $build/CMakeCache.txt ]] || echo "Building in $build/ (the first time takes a few minutes)."
if ! { [[ -f $build/CMakeCache.txt ]] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo; } >"$build_log" 2>&1 ||
    ! cmake --build "$build" -j"$(nproc)" --target servo-console servo-board >>"$build_log" 2>&1; then
    tail -n 30 "$build_log" >&2
    fail "the build in $build failed (its last lines above)."
fi

program=$build/src/servo-console
board=$build/src/board/servo-board


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
# The run's own files (the display's authorisation, the VNC password, the
# board's first line), removed when it ends.
run_folder=$(mktemp -d "$XDG_RUNTIME_DIR/servo-run.XXXXXX")

# The main window at the screen's top left, the board's window to its right;
# on a screen too narrow for both, the board's window keeps to the right edge.
program_geometry=(-geometry +0+0)
board_position=+930+0
board_size=
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    source tools/vncdisplay.sh
    serve_display_over_vnc "$run_folder" || exit 1
    screen_width=${VNC_SCREEN%%x*}
    board_size=980x680
else
    # Only a hint: without xdpyinfo (x11-utils) or an X display it is unknown.
    screen_width=$(xdpyinfo 2>/dev/null | sed -n 's/^ *dimensions: *\([0-9]*\)x.*/\1/p' | head -n 1) || screen_width=
fi
if [[ -n $screen_width && $screen_width -lt $((930 + 600)) ]]; then
    board_position=-0+0
fi
board_geometry=(-geometry "$board_size$board_position")

has_device() {
    compgen -G '/dev/ttyUSB*' >/dev/null || compgen -G '/dev/ttyACM*' >/dev/null
}
start_board=0
case $want_board in
    1) start_board=1 ;;
    auto) has_device || start_board=1 ;;
esac

# The program's language: --language, else the choice its 语言 menu keeps in
# its settings file (programsettings), else Chinese.
language_args=()
[[ -z $language ]] || language_args=(--language "$language")
if [[ -z $language ]]; then
    settings=${XDG_CONFIG_HOME:-$HOME/.config}/servo-console/servo-console.ini
    language=$(sed -n '/^\[interface\]/,/^\[/s/^language=\(zh\|en\)\r\?$/\1/p' "$settings" 2>/dev/null | head -n 1) ||
        language=
fi

# The arm profile beside cmd.txt, found as the program finds it: beside the
# program when that folder can be written, else in the user's data folder. It
# is passed whether or not it exists yet: the board takes it up when the
# program's 通道设置 first writes it.
profile_folder=$(dirname "$program")
[[ -w $profile_folder ]] || profile_folder=${XDG_DATA_HOME:-$HOME/.local/share}/servo-console

board_pid=
if ((start_board)); then
    board_out=$run_folder/servo-board.out
    board_err=$run_folder/servo-board.err
    "$board" "${board_geometry[@]}" --profile "$profile_folder/arm.json" --language "${language:-zh}" \
        >"$board_out" 2> >(tee "$board_err" >&2) &
    board_pid=$!
    for _ in $(seq 50); do
        [[ -s $board_out ]] && break
        kill -0 "$board_pid" 2>/dev/null || break
        sleep 0.1
    done
    if read -r board_port board_device <"$board_out"; then
        children+=("$board_pid")
        if ((want_program)); then
            echo "No servo board found: started the virtual board on $board_port ($board_device); pick \"$board_port (虚拟舵机板)\" and Connect."
        else
            echo "Started the virtual board on $board_port ($board_device) alone (Ctrl+C ends it)."
        fi
    else
        kill "$board_pid" 2>/dev/null || true
        wait "$board_pid" 2>/dev/null || true
        board_pid=
        reason=$(tr '\n' ' ' <"$board_err")
        ((want_program)) || fail "the virtual board did not start (${reason:-no port line within 5 s})."
        echo "The virtual board did not start (${reason:-no port line within 5 s}); going on without it."
    fi
fi

# Waited for in the background, so that Ctrl+C or a signal to this script
# ends the windows at once, each the way closing it does.
status=0
if ((want_program)); then
    "$program" "${program_geometry[@]}" "${language_args[@]}" &
    program_pid=$!
    children+=("$program_pid")
    wait "$program_pid" || status=$?
else
    wait "$board_pid" || status=$?
fi
exit "$status"
