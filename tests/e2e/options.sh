#!/usr/bin/env bash
# The tray menu's first item opens the options dialog as a window of its own with a task-bar
# button; Escape closes it. A screenshot of the dialog goes beside the program's build folder.
# OPTIONS_LOCALE and OPTIONS_TITLE choose another language and its caption; OPTIONS_SHOT
# another screenshot path.
. "$(dirname "$0")/lib.sh"

LOCALE=${OPTIONS_LOCALE:-English (American) DEFAULT}
TITLE=${OPTIONS_TITLE:-Tallowquince - Options}
SHOT=${OPTIONS_SHOT:-$(cd "$(dirname "$PROGRAM")/.." && pwd)/options-dialog.png}

settings_with "locale=$LOCALE" x=880 y=440  # the frame beside the dialog
start_program
wait_for frame_window >/dev/null || fail "no frame window"
wait_for ds_tray_icon tallowquince >/dev/null || fail "no tray icon"

open_tray_menu || fail "the tray icon shows no menu"
xdotool key Down Return
W=$(ds_wid "$TITLE") || fail "no window titled '$TITLE'"
if ds_skips_taskbar "$W"; then fail "the dialog has no task-bar button: $(ds_net_state "$W")"; fi

# The whole dialog with its border, once the compositor has drawn it.
xdotool windowmove "$W" 20 20
sleep 1
read -r X Y WW HH <<<"$(ds_geom "$W")"
ds_shot "$WORK/screen.png"
M=30
X0=$((X > M ? X - M : 0))
Y0=$((Y > M ? Y - M : 0))
ds_crop "$WORK/screen.png" "$X0" "$Y0" $((WW + 2 * M)) $((HH + 2 * M)) "$SHOT" ||
    fail "no screenshot"

ds_keys "$W" Escape
gone() { ! xdotool search --onlyvisible --name "^$TITLE\$" >/dev/null 2>&1; }
wait_for gone || fail "Escape did not close the dialog"
kill -0 "$PID" 2>/dev/null || fail "the program ended with the dialog"

# The controller is usable again: its menu closes the run in order.
open_tray_menu || fail "no tray menu after the dialog closed"
xdotool key Up Return
status=0
wait_exit "$PID" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status after Close"
[ "$(setting locale)" = "$LOCALE" ] || fail "locale changed by a cancelled dialog: $(setting locale)"
echo "PASS: options dialog '$TITLE' with a task-bar button, closed by Escape; screenshot $SHOT"
