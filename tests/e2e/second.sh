#!/usr/bin/env bash
# A second copy says the program is already running and ends; the first stays untouched.
. "$(dirname "$0")/lib.sh"

settings_with x=250 y=220
start_program
FIRST=$PID
wait_for frame_window >/dev/null || fail "no frame window"
before=$(cat "$SETTINGS")

start_program
SECOND=$PID
# Its error box is its only window.
wait_for xdotool search --onlyvisible --pid "$SECOND" >/dev/null || fail "the second copy shows no box"
BOX=$(xdotool search --onlyvisible --pid "$SECOND" | head -1)
[ "$(xdotool getwindowname "$BOX")" = Tallowquince ] || fail "the box is titled $(xdotool getwindowname "$BOX")"
# Answer the box; a busy desktop may need a moment before the box has the keyboard.
for _ in $(seq 10); do
    ds_focus "$BOX" || true
    xdotool key Return
    sleep 0.5
    kill -0 "$SECOND" 2>/dev/null || break
done
status=0
wait_exit "$SECOND" || status=$?
[ "$status" -eq 0 ] || fail "the second copy ended with $status"
kill -0 "$FIRST" 2>/dev/null || fail "the first copy ended"
[ "$(cat "$SETTINGS")" = "$before" ] || fail "the second copy changed the settings"
[ "$(temp_folders | wc -l)" -eq 1 ] || fail "the second copy left its temporary folder"
kill -TERM "$FIRST"
wait_exit "$FIRST" || fail "the first copy did not end"
echo "PASS: the second copy was refused and ended; the first ran on"
