#!/usr/bin/env bash
# The tray menu's About item opens the About box as a window of its own: a task-bar button,
# and not transient for another window (panels leave transient windows out); Escape closes it.
. "$(dirname "$0")/lib.sh"

TITLE="Tallowquince - About"
start_program
wait_for frame_window >/dev/null || fail "no frame window"
wait_for ds_tray_icon tallowquince >/dev/null || fail "no tray icon"

open_tray_menu || fail "the tray icon shows no menu"
xdotool key Up Up Return  # the last item but one
W=$(ds_wid "$TITLE") || fail "no window titled '$TITLE'"
if ds_skips_taskbar "$W"; then fail "the About box has no task-bar button: $(ds_net_state "$W")"; fi
transient=$(xprop -id "$W" WM_TRANSIENT_FOR)
case $transient in *"window id"*) fail "the About box is transient: $transient" ;; esac
ds_net_state "$W" | grep -q _NET_WM_STATE_ABOVE || fail "the About box is not on top"

ds_keys "$W" Escape
ds_wait_gone "$TITLE" || fail "Escape did not close the About box"
kill -TERM "$PID"
wait_exit "$PID" || fail "the program did not end"
echo "PASS: About box with a task-bar button, not transient, closed by Escape"
