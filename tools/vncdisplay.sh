# SPDX-License-Identifier: MIT
# Sourced by run.sh: a private X screen served over VNC, for a machine with no
# display. Needs Xvfb and x11vnc (tools/install-deps.sh).

# serve_display_over_vnc FOLDER: starts Xvfb and x11vnc, appends their process
# ids to the array `children`, exports DISPLAY and prints the tunnel line with
# the password. The password is new for every call, kept in FOLDER/vnc-password
# (readable by the user alone); x11vnc listens on the loopback addresses only.
serve_display_over_vnc() {
    local folder=$1 display=99 port=${VNC_PORT:-5900}
    while [[ -e /tmp/.X$display-lock ]]; do
        display=$((display + 1))
    done
    Xvfb ":$display" -screen 0 "${VNC_SCREEN:-1920x1080}x24" -nolisten tcp >/dev/null 2>&1 &
    children+=($!)
    for _ in $(seq 50); do
        [[ -S /tmp/.X11-unix/X$display ]] && break
        sleep 0.1
    done
    export DISPLAY=":$display"

    # VNC authentication reads 8 characters: 48 random bits in base64.
    local password password_file=$folder/vnc-password
    password=$(head -c 6 /dev/urandom | base64)
    (umask 077 && printf '%s\n' "$password" >"$password_file")
    x11vnc -display "$DISPLAY" -localhost -rfbport "$port" -passwdfile "$password_file" \
        -forever -shared -quiet >/dev/null 2>&1 &
    children+=($!)
    echo "No display here: both windows are served over VNC on localhost:$port only (Ctrl+C ends it)."
    echo "From your machine: ssh -N -L $port:localhost:$port $(id -un)@$(hostname -f 2>/dev/null || hostname), then open a VNC viewer on localhost:$port with the password $password (kept in $password_file for this run)."
}
