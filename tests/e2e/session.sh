#!/usr/bin/env bash
# The desktop runner itself: each variant of the desktop is ready when the command starts, the
# command gets a clean environment and its own exit status back, a timeout or a signal ends
# the session, nothing it started outlives it, and missing packages are named.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
RUN=$HERE/desktop-session
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# gone FILE: every process whose pid is in FILE has ended, and the display it names is free.
gone() {
    local pid display
    read -r display pid <"$1"
    for pid in $pid; do
        ! kill -0 "$pid" 2>/dev/null || fail "process $pid outlived the session"
    done
    [ ! -e "/tmp/.X${display#:}-lock" ] || fail "the X server of $display outlived the session"
}

# what_the_command_sees: run inside a session; prints its view of the desktop.
cat >"$WORK/probe.sh" <<'EOF'
. "$DS_HELPERS"
for s in WM_S0 _NET_SYSTEM_TRAY_S0 _NET_WM_CM_S0; do
    ds_selection_owned $s && echo "owned $s"
done
echo "panel $(xdotool search --onlyvisible --class tint2 2>/dev/null | wc -l)"
echo "runtime $(stat -c %a "$XDG_RUNTIME_DIR") ${XDG_RUNTIME_DIR#"$DS_SESSION_DIR"/}"
echo "env ${DBUS_SESSION_BUS_ADDRESS:+bus} ${WAYLAND_DISPLAY:+wayland} ${QT_SCALE_FACTOR:+scale} $QT_QPA_PLATFORM"
echo "corner $(ds_pixel 3 3)"
echo "layout $(setxkbmap -query | sed -n 's/^layout: *//p')"
[ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] ||
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.GetId >/dev/null &&
    echo "bus answers"
EOF

# session OPTIONS...: runs the probe; its output is in $WORK/seen, the status in $status.
session() {
    status=0
    "$RUN" "$@" -- bash "$WORK/probe.sh" >"$WORK/seen" 2>"$WORK/err" || status=$?
    [ "$status" = 0 ] || fail "desktop-session $* ended with $status: $(cat "$WORK/err")"
}
seen() { grep -qx -- "$1" "$WORK/seen" || fail "$2 ($(tr '\n' ';' <"$WORK/seen"))"; }
unseen() { ! grep -qx -- "$1" "$WORK/seen" || fail "$2 ($(tr '\n' ';' <"$WORK/seen"))"; }

# The full desktop, with the host's session bus, Wayland and scaling hidden from the command.
DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent WAYLAND_DISPLAY=wayland-0 QT_SCALE_FACTOR=2 \
    session -b '#336699' -s "$WORK/end.png"
seen "owned WM_S0" "no window manager"
seen "owned _NET_SYSTEM_TRAY_S0" "no tray"
seen "owned _NET_WM_CM_S0" "no compositor"
seen "panel 1" "no panel"
seen "runtime 700 runtime" "XDG_RUNTIME_DIR is not private to the session"
seen "env    xcb" "the host's environment leaked into the session"
seen "corner 51,102,153" "the desktop is not painted #336699"
seen "layout us" "the keyboard is not a US one"
[ "$(convert "$WORK/end.png" -format '%wx%h %[fx:int(255*p{3,3}.b+0.5)]' info:)" = "1280x800 153" ] ||
    fail "no screenshot of the desktop at the end"

session --no-tray --dbus --layout de --wm-bindings -k "$WORK/kept"
seen "owned WM_S0" "--no-tray: no window manager"
unseen "owned _NET_SYSTEM_TRAY_S0" "--no-tray: a tray"
seen "panel 1" "--no-tray: no task bar"
seen "bus answers" "--dbus: no private session bus"
seen "layout de" "--layout de: $(grep layout "$WORK/seen")"
grep -q 'key="A-F4"' "$WORK/kept/config/openbox/rc.xml" || fail "--wm-bindings dropped Alt+F4"

session --no-panel
unseen "owned _NET_SYSTEM_TRAY_S0" "--no-panel: a tray"
seen "panel 0" "--no-panel: a panel"

session -w none -c none -g 640x480
unseen "owned WM_S0" "-w none: a window manager"
unseen "owned _NET_WM_CM_S0" "-c none: a compositor"
seen "panel 0" "-w none: a panel"

# The command's status comes back; what the command started is stopped with the desktop.
status=0
"$RUN" -k "$WORK/plain" -- bash -c 'sleep 300 & echo "$DISPLAY $! $$" >"$0"; exit 7' "$WORK/pids" ||
    status=$?
[ "$status" = 7 ] || fail "exit status $status instead of the command's 7"
gone "$WORK/pids"
! grep -q 'key="A-F4"' "$WORK/plain/config/openbox/rc.xml" || fail "openbox keeps Alt+F4 by default"

# A timeout stops the command.
status=0
start=$SECONDS
"$RUN" -w none -c none -t 2 -- bash -c 'sleep 300 & echo "$DISPLAY $! $$" >"$0"; sleep 300' "$WORK/pids" 2>"$WORK/err" ||
    status=$?
[ "$status" = 124 ] || fail "exit status $status after a timeout"
((SECONDS - start < 30)) || fail "the timeout took $((SECONDS - start)) s"
grep -q "stopped after 2 seconds" "$WORK/err" || fail "the timeout was not reported: $(cat "$WORK/err")"
gone "$WORK/pids"

# SIGTERM to the runner: a screenshot, then everything is stopped.
rm "$WORK/pids"
"$RUN" -w none -s "$WORK/term.png" -- bash -c 'echo "$DISPLAY $$" >"$0"; sleep 300' "$WORK/pids" &
runner=$!
for _ in $(seq 300); do [ -s "$WORK/pids" ] && break; sleep 0.1; done
[ -s "$WORK/pids" ] || fail "the session did not start"
kill -TERM "$runner"
status=0
wait "$runner" || status=$?
[ "$status" = 143 ] || fail "exit status $status after SIGTERM"
[ -s "$WORK/term.png" ] || fail "no screenshot after SIGTERM"
gone "$WORK/pids"

# Usage errors and missing programs.
status=0
"$RUN" --wm fvwm -- true 2>"$WORK/err" || status=$?
[ "$status" = 2 ] && grep -q -- "--wm must be" "$WORK/err" || fail "a bad --wm gave $status: $(cat "$WORK/err")"
mkdir "$WORK/bin"
shopt -s nullglob
ln -s /usr/bin/* "$WORK/bin/"
ln -sf /usr/local/bin/* "$WORK/bin/"
rm "$WORK/bin/Xvfb" "$WORK/bin/tint2"
status=0
PATH=$WORK/bin "$RUN" -- true 2>"$WORK/err" || status=$?
[ "$status" = 3 ] || fail "exit status $status without Xvfb"
grep -q "Xvfb tint2 not found.*scripts/install-deps.sh.*apt-get install xvfb tint2" "$WORK/err" ||
    fail "the missing programs are not named: $(cat "$WORK/err")"
echo "PASS: desktop variants, clean environment, exit status, timeout, SIGTERM, missing programs"
