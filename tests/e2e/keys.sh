#!/usr/bin/env bash
# Keys act by the key pressed, as on a US keyboard, on a German and a French (AZERTY) layout:
# German Shift+0 types "=" and still resets the angle, Shift with the "+" key types "*" and
# rotates, the dead "^" left of "1" turns the skin, the sharp s in the place of "-" zooms out;
# the AZERTY "0" key types "à" and resets the angle, ")" in the place of "-" zooms out.
. "$(dirname "$0")/lib.sh"

# run_with LAYOUT KEYS...: a run from 10 degrees at scale 0.5, the keys typed on the frame
# (by X key code, so that exactly that key is pressed), then ended by SIGTERM so that the
# settings are saved.
run_with() {
    local layout=$1 W status
    shift
    setxkbmap "$layout"
    settings_with angle=100000000
    start_program
    wait_for frame_window >/dev/null || fail "$layout: no frame window"
    W=$(frame_window)
    ds_keys "$W" "$@"
    sleep 0.5
    kill -TERM "$PID"
    status=0
    wait_exit "$PID" || status=$?
    [ "$status" -eq 0 ] || fail "$layout: exit status $status"
}

# Two coarse zoom-out steps from 0.5: 0.5 x 0.92 x 0.92 in single precision.
ZOOMED_OUT=4232000

# 19: "0" (Shift: "="), 35: "+" (Shift: "*"), 49: dead "^", 20: sharp s
run_with de shift+19 shift+35 49 20
[ "$(setting angle)" = 35000000 ] || fail "German: angle $(setting angle), expected 3.5 degrees"
[ "$(setting rotate)" = TRUE ] || fail "German: the key left of 1 did not turn the skin"
[ "$(setting scale)" -lt 5000000 ] || fail "German: the key in the place of - did not zoom out"

# 19: "à" (Shift: "0"), 21: "=" (Shift: "+"), 20: ")", 15: "-" (Shift: "6")
run_with fr 19 shift+21 20 15
[ "$(setting angle)" = 35000000 ] || fail "French: angle $(setting angle), expected 3.5 degrees"
scale=$(setting scale)
((scale > ZOOMED_OUT - 100 && scale < ZOOMED_OUT + 100)) ||
    fail "French: scale $scale after two zoom-out keys, expected about $ZOOMED_OUT"
echo "PASS: German and AZERTY keys act as the keys in their places on a US keyboard"
