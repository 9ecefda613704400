#!/usr/bin/env bash
# The tray icon appears; its menu's Close item ends the run in order.
. "$(dirname "$0")/lib.sh"

start_program
wait_for frame_window >/dev/null || fail "no frame window"
wait_for ds_tray_icon tallowquince >/dev/null || fail "no tray icon"
[ -n "$(temp_folders)" ] || fail "no private temporary folder while running"

open_tray_menu || fail "the tray icon shows no menu"
xdotool key Up Return
status=0
wait_exit "$PID" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status after Close"
[ -z "$(temp_folders)" ] || fail "temporary folder left: $(temp_folders)"
[ -n "$(setting skin)" ] || fail "no settings saved"
echo "PASS: tray icon with a menu; Close ended the run, saving the settings"
