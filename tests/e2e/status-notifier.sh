#!/usr/bin/env bash
# A tray that speaks StatusNotifierItem (KDE, XFCE, Cinnamon, GNOME's AppIndicator) draws the
# icon itself and reports a click as an activation, never as a double click. Against such a
# host on the session's private bus ($TQ_SNI_HOST): the icon registers there, not in the
# XEmbed tray; an activation opens the options and the host gets its answer at once; two quick
# activations open one dialog; a middle click opens nothing.
. "$(dirname "$0")/lib.sh"

[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || fail "no session bus (run with desktop-session --dbus)"
TITLE="Tallowquince - Options"
HOST_LOG=$WORK/host.log
mkfifo "$WORK/host.in"
"$TQ_SNI_HOST" <"$WORK/host.in" >"$HOST_LOG" 2>&1 &
HOST_PID=$!
PIDS+=("$HOST_PID")
exec 3>"$WORK/host.in"
host() { echo "$*" >&3; }
ds_wait_line "$HOST_LOG" '^ready$' 10 || fail "the host did not start: $(cat "$HOST_LOG")"

settings_with x=600 y=300
start_program
wait_for frame_window >/dev/null || fail "no frame window"
ds_wait_line "$HOST_LOG" '^registered ' 10 || fail "no item registered with the host: $(cat "$HOST_LOG")"
if ds_tray_icon tallowquince >/dev/null; then fail "the icon went to the XEmbed tray as well"; fi
options_open() { xdotool search --onlyvisible --name "^$TITLE\$" 2>/dev/null | wc -l; }

# A middle click (SecondaryActivate) opens nothing.
host secondary 10 10
ds_wait_line "$HOST_LOG" 'SecondaryActivate' 5 || fail "no answer to SecondaryActivate"
sleep 1
[ "$(options_open)" = 0 ] || fail "a middle click opened the options"

# A left click (Activate) opens the options, and the host is answered while the dialog is open.
host activate 10 10
W=$(ds_wid "$TITLE") || fail "an activation did not open the options"
grep -q '^reply Activate$' "$HOST_LOG" || fail "the host got no answer while the dialog is open: $(cat "$HOST_LOG")"
ds_keys "$W" Escape
ds_wait_gone "$TITLE" || fail "Escape did not close the dialog"

# A double click on such a panel is two activations: one dialog.
host activate 10 10
host activate 10 10
W=$(ds_wid "$TITLE") || fail "two activations opened no dialog"
answered() { [ "$(ds_count "$HOST_LOG" '^reply Activate$')" = "$1" ]; }
wait_for answered 3 || fail "activations unanswered: $(cat "$HOST_LOG")"
sleep 1
[ "$(options_open)" = 1 ] || fail "two activations opened $(options_open) dialogs"
ds_keys "$W" Escape
ds_wait_gone "$TITLE" || fail "Escape did not close the dialog"
sleep 1
[ "$(options_open)" = 0 ] || fail "a second dialog opened after the first closed"
grep -q '^error' "$HOST_LOG" && fail "the host saw errors: $(cat "$HOST_LOG")"

kill -TERM "$PID"
status=0
wait_exit "$PID" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status after SIGTERM"
exec 3>&-  # the host ends at the end of its input
wait_exit "$HOST_PID" || fail "the host did not end"
echo "PASS: the icon registered with the status-notifier host; an activation opened the options" \
    "(answered at once), two opened one dialog, a middle click none"
