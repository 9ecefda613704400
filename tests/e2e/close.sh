#!/usr/bin/env bash
# With the window manager's own Alt+F4 binding, Alt+F4 on the frame does nothing (typed fast,
# so that Alt is up before the request is handled, and slowly); a close request from a tool
# (wmctrl -c) ends the program in order, like the Close command.
. "$(dirname "$0")/lib.sh"

settings_with x=300 y=150
start_program
wait_for frame_window >/dev/null || fail "no frame window"
W=$(frame_window)

ds_focus "$W"
xdotool key alt+F4
sleep 0.5
xdotool keydown alt sleep 0.1 key F4 sleep 0.4 keyup alt
sleep 1
kill -0 "$PID" 2>/dev/null || fail "Alt+F4 ended the program"
[ "$(frame_window)" = "$W" ] || fail "Alt+F4 closed the frame"

xdotool windowmove "$W" 340 170
sleep 0.3
wmctrl -i -c "$W"
status=0
wait_exit "$PID" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status after wmctrl -c"
[ "$(setting x),$(setting y)" = "340,170" ] || fail "saved position $(setting x),$(setting y)"
[ -z "$(temp_folders)" ] || fail "temporary folder left: $(temp_folders)"
echo "PASS: Alt+F4 refused; wmctrl -c ended the run, saving the settings"
