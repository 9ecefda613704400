#!/usr/bin/env bash
# The tray icon appears in the XEmbed tray; a single click on it opens nothing, a double click
# opens the options; its menu's Close item ends the run in order.
. "$(dirname "$0")/lib.sh"

start_program
wait_for frame_window >/dev/null || fail "no frame window"
wait_for ds_tray_icon tallowquince >/dev/null || fail "no tray icon"
[ -n "$(temp_folders)" ] || fail "no private temporary folder while running"

TITLE="Tallowquince - Options"
read -r X Y W H <<<"$(ds_tray_icon tallowquince)"
ds_click $((X + W / 2)) $((Y + H / 2))
sleep 1.5
if xdotool search --onlyvisible --name "^$TITLE\$" >/dev/null 2>&1; then
    fail "a single click on the tray icon opened the options"
fi
xdotool mousemove $((X + W / 2)) $((Y + H / 2)) sleep 0.05 click --repeat 2 --delay 80 1
D=$(ds_wid "$TITLE") || fail "a double click on the tray icon did not open the options"
ds_keys "$D" Escape
ds_wait_gone "$TITLE" || fail "Escape did not close the options"

open_tray_menu || fail "the tray icon shows no menu"
xdotool key Up Return
status=0
wait_exit "$PID" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status after Close"
[ -z "$(temp_folders)" ] || fail "temporary folder left: $(temp_folders)"
[ -n "$(setting skin)" ] || fail "no settings saved"
echo "PASS: tray icon: a single click nothing, a double click the options; its menu's Close ended the run, saving the settings"
