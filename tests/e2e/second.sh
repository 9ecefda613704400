#!/usr/bin/env bash
# A second copy says the program is already running and ends; the first stays untouched.
. "$(dirname "$0")/lib.sh"

settings_with x=250 y=220
start_program
FIRST=$PID
wait_for frame_window >/dev/null || fail "no frame window"
sleep 2.5  # the first copy has written what its start-up changed
before=$(cat "$SETTINGS")

start_program
SECOND=$PID
BOX=$(message_box "$SECOND") || fail "the second copy shows no box"
answer_box "$SECOND" "$BOX"
status=0
wait_exit "$SECOND" || status=$?
[ "$status" -eq 0 ] || fail "the second copy ended with $status"
kill -0 "$FIRST" 2>/dev/null || fail "the first copy ended"
[ "$(cat "$SETTINGS")" = "$before" ] || fail "the second copy changed the settings"
[ "$(temp_folders | wc -l)" -eq 1 ] || fail "the second copy left its temporary folder"
kill -TERM "$FIRST"
wait_exit "$FIRST" || fail "the first copy did not end"
echo "PASS: the second copy was refused and ended; the first ran on"
