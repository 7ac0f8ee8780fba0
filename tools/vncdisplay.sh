# SPDX-License-Identifier: MIT
# Sourced by run.sh: a private X screen served over VNC, for a machine with no
# display. Needs Xvfb, xauth and x11vnc (tools/install-deps.sh).

# serve_display_over_vnc FOLDER: starts Xvfb and x11vnc, appends their process
# ids to the array `children`, exports DISPLAY and XAUTHORITY and prints the
# tunnel line with the password. FOLDER must be the user's alone: it keeps the
# run's X authorisation and VNC password (mode 0600), both new for every call.
# The X server admits only clients that present the authorisation, so no other
# local user can watch or type into the windows (run as root, the programs'
# file dialogs open any file); x11vnc listens on the loopback addresses only
# and asks for the password. Returns non-zero, having said why, when either
# server cannot start.
serve_display_over_vnc() {
    local folder=$1 port=${VNC_PORT:-5900}
    : "${VNC_SCREEN:=1920x1080}"

    # One MIT-MAGIC-COOKIE-1 entry for any display number (family and number
    # left open), since the server picks its number when it starts.
    local authority=$folder/Xauthority cookie name_hex
    cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
    name_hex=$(printf MIT-MAGIC-COOKIE-1 | od -An -tx1 | tr -d ' \n')
    rm -f "$authority"
    if ! (umask 077 && : >"$authority" &&
        echo "ffff 0000  0000  0012 $name_hex 0010 $cookie" | xauth -q -f "$authority" nmerge -); then
        echo "run.sh: cannot write the X authorisation $authority." >&2
        return 1
    fi

    # -displayfd: the server takes the first free display and writes its
    # number once it accepts clients. Both servers run in a session of their
    # own: Ctrl+C in the terminal reaches the programs, and the servers are
    # stopped after them (run.sh), so a program that saves on its way out
    # still has its display.
    local number_file=$folder/display xvfb_log=$folder/xvfb.log
    : >"$number_file"
    setsid Xvfb -displayfd 3 -auth "$authority" -nolisten tcp -screen 0 "${VNC_SCREEN}x24" \
        3>"$number_file" >"$xvfb_log" 2>&1 &
    local xvfb=$!
    children+=("$xvfb")
    for _ in $(seq 100); do
        [[ -s $number_file ]] && break
        kill -0 "$xvfb" 2>/dev/null || break
        sleep 0.1
    done
    if [[ ! -s $number_file ]]; then
        echo "run.sh: the X server (Xvfb) did not start: $(tail -n 3 "$xvfb_log" | tr '\n' ' ')" >&2
        return 1
    fi
    DISPLAY=":$(<"$number_file")"
    export DISPLAY XAUTHORITY=$authority

    # VNC authentication reads 8 characters: 48 random bits in base64.
    local password password_file=$folder/vnc-password vnc_out=$folder/x11vnc.out vnc_log=$folder/x11vnc.log
    password=$(head -c 6 /dev/urandom | base64)
    (umask 077 && printf '%s\n' "$password" >"$password_file")
    # x11vnc prints PORT=<port> once it listens.
    : >"$vnc_out"
    setsid x11vnc -display "$DISPLAY" -auth "$authority" -localhost -rfbport "$port" -passwdfile "$password_file" \
        -forever -shared -quiet >"$vnc_out" 2>"$vnc_log" &
    local vnc=$!
    children+=("$vnc")
    for _ in $(seq 100); do
        grep -q '^PORT=' "$vnc_out" && break
        kill -0 "$vnc" 2>/dev/null || break
        sleep 0.1
    done
    if ! grep -q '^PORT=' "$vnc_out"; then
        local reason
        reason=$(grep -m 1 -i 'error' "$vnc_log" || tail -n 1 "$vnc_log")
        echo "run.sh: the VNC server did not start on localhost:$port (${reason:-no reason given})." >&2
        echo "run.sh: another program may use the port: VNC_PORT=$((port + 1)) bash tools/run.sh" >&2
        return 1
    fi
    echo "No display here: both windows are served over VNC on localhost:$port only (Ctrl+C ends it)."
    echo "From your machine: ssh -N -L $port:localhost:$port $(id -un)@$(hostname -f 2>/dev/null || hostname), then open a VNC viewer on localhost:$port with the password $password (kept in $password_file for this run)."
}
