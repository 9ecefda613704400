#!/usr/bin/env bash
# The tray icon appears; its menu's Close item ends the run in order.
. "$(dirname "$0")/lib.sh"

start_program
wait_for ds_tray_icon tallowquince >/dev/null || fail "no tray icon"
read -r X Y W H <<<"$(ds_tray_icon tallowquince)"
[ -n "$(temp_folders)" ] || fail "no private temporary folder while running"

ds_click $((X + W / 2)) $((Y + H / 2)) 3
sleep 0.7
xdotool key Up Return
status=0
wait_exit "$PID" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status after Close"
[ -z "$(temp_folders)" ] || fail "temporary folder left: $(temp_folders)"
echo "PASS: tray icon at $X,$Y (${W}x${H}); Close from its menu ended the run"
