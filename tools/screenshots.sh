#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the pictures of docs/guide.md (docs/images/*.png) from the real
# program and the virtual board on a screen of their own (Xvfb, 1920x1080),
# driven by keys and clicks as an operator would. Run it again after a change
# to the windows. The program runs from a folder of its own with its own
# settings: neither your cmd.txt nor your settings are read or written.
#
#   bash tools/screenshots.sh [FOLDER]     (default docs/images)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$(realpath -m "${1:-docs/images}")
build=${SERVO_BUILD_DIR:-build}

fail() {
    echo "screenshots: $*" >&2
    exit 1
}

if [[ ${SCREENSHOTS_INSIDE:-} != 1 ]]; then
    needed=()
    for tool in xvfb-run:xvfb xauth:xauth xdotool:xdotool import:imagemagick; do
        command -v "${tool%%:*}" >/dev/null || needed+=("${tool#*:}")
    done
    if ((${#needed[@]})); then
        ((EUID == 0)) || fail "needs ${needed[*]} (apt-get install ${needed[*]}, as root)."
        apt-get install -y --no-install-recommends "${needed[@]}" >/dev/null || fail "could not install ${needed[*]}."
    fi
    [[ -d $build ]] || bash tools/build.sh "$build" >/dev/null
    cmake --build "$build" -j"$(nproc)" --target servo-console servo-board >/dev/null || fail "the build failed."
    mkdir -p "$out"
    SCREENSHOTS_INSIDE=1 exec xvfb-run -a -s "-screen 0 1920x1080x24" bash "$0" "$out"
fi

work=$(mktemp -d)
pids=()
finish() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT
mkdir -p "$work/app" "$work/config" "$work/data" "$work/run"
chmod 700 "$work/run"
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run HOME=$work

# The program keeps cmd.txt beside itself: a copy of it in a folder of its own,
# with a short wave of the arm as its sequence.
cp "$build/src/servo-console" "$work/app/"
printf '%s\r\n' \
    'Time1000  #1P1500S300#2P1500S300#3P1500S300#4P1500S300#5P1500S300#6P1500S300' \
    'Time1500  #1P1800S300#2P1300S300#3P1700S300#4P1200S300#5P1600S300' \
    'Time1500  #1P1200S300#2P1700S300#3P1300S300#4P1800S300#5P1400S300' \
    'Time1000  #1P1500S300#2P1500S300#3P1500S300#4P1500S300#5P1500S300#6P1200S300' \
    >"$work/app/cmd.txt"

"$root/$build/src/board/servo-board" -geometry 1000x640+920+0 --profile "$work/app/arm.json" >"$work/board.out" &
pids+=($!)
for _ in $(seq 50); do
    [[ -s $work/board.out ]] && break
    sleep 0.1
done
[[ -s $work/board.out ]] || fail "the virtual board did not start."

"$work/app/servo-console" -geometry +0+0 &
pids+=($!)
# found: a window of the given program that appeared since the last call.
known=" "
found=
new_window() {
    local id
    for _ in $(seq 50); do
        for id in $(xdotool search --onlyvisible --class "$1" 2>/dev/null); do
            [[ $known == *" $id "* ]] && continue
            known+="$id "
            found=$id
            return
        done
        sleep 0.1
    done
    fail "no new window of $1 within 5 s."
}
new_window servo-console
main=$found
new_window servo-board
board=$found

settle() { sleep "${1:-0.8}"; }
# The window whose picture is taken, without the rest of the screen.
shoot_window() { import -window "$1" "$out/$2.png"; }
# The main window and whatever it opened over itself (a menu, a dialog).
shoot_area() { import -window root -crop "$1" +repage "$out/$2.png"; }
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
keys() {
    xdotool windowfocus --sync "$1"
    shift
    xdotool key --delay 120 "$@"
}

settle 1.5
# 连接: the port box already shows the only port, the virtual board's.
click "$main" 176 64
settle
shoot_window "$main" connected

for menu in f:file-menu e:edit-menu q:sequence-menu p:playback-menu s:settings-menu v:view-menu; do
    keys "$main" "alt+${menu%%:*}"
    settle
    shoot_area 1000x720+0+0 "${menu#*:}"
    keys "$main" Escape
    settle 0.3
done

# A run, and 急停 in the middle of its second line.
keys "$main" F5
settle 2.2
shoot_window "$board" board-playing
keys "$main" Escape
settle
shoot_window "$main" stopped

keys "$main" alt+s Return
settle 1.5
new_window servo-console
dialog=$found
shoot_window "$dialog" channel-setup
keys "$dialog" Escape
settle

keys "$main" F2
settle 1.5
new_window servo-console
workspace=$found
shoot_window "$workspace" workspace
shoot_window "$board" board
echo "Pictures in $out:"
ls "$out"
