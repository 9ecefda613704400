#!/usr/bin/env bash
# A monitor that is gone: a position saved on a screen that no longer exists (4200,3100 on a
# 1280 x 800 screen, as a laptop undocked) brings the frame fully onto the screen, and that is
# the place saved; a frame more than half on the screen stays where it was saved.
. "$(dirname "$0")/lib.sh"

read -r SW SH <<<"${DS_GEOMETRY/x/ }"
AREA_H=$((SH - 30))  # above the panel

# frame_box: "X Y W H" of the frame's own pixels in the screen's usable area (what is not
# the desktop's colour there).
frame_box() {
    ds_shot "$WORK/screen.png"
    convert "$WORK/screen.png" -crop "${SW}x${AREA_H}+0+0" +repage -fuzz 6% -fill black \
        -opaque "$DS_BG" -fill white +opaque black -trim -format '%w %h %X %Y' info: 2>/dev/null |
        tr -d '+' | awk '{ if ($1 * $2 <= 1) print 0, 0, 0, 0; else print $3, $4, $1, $2 }'
}

# run X Y: starts the program with the frame saved at X,Y, waits until it is drawn and still,
# prints "BOX_X BOX_Y BOX_W BOX_H WINDOW_X WINDOW_Y", then ends the program in order.
run() {
    local w box last=
    settings_with x="$1" y="$2"
    start_program
    wait_for frame_window >/dev/null || fail "saved at $1,$2: no frame window"
    w=$(frame_window)
    sleep 1
    for _ in $(seq 10); do
        box="$(frame_box) $(ds_geom "$w" | cut -d' ' -f1-2)"
        [ "$box" = "$last" ] && break
        last=$box
        sleep 0.5
    done
    kill -TERM "$PID"
    wait_exit "$PID" || fail "saved at $1,$2: the program did not end"
    echo "$box"
}

# The whole frame, fully on the screen, for comparison.
read -r _ _ FULL_W FULL_H _ _ <<<"$(run 200 200)"
echo "saved 200,200: the frame's pixels are ${FULL_W}x$FULL_H"

read -r BX BY BW BH WX WY <<<"$(run 4200 3100)"
echo "saved 4200,3100: window at $WX,$WY; ${BW}x$BH of the frame shown at $BX,$BY;" \
    "saved now $(setting x),$(setting y)"
[ "$BW $BH" = "$FULL_W $FULL_H" ] || fail "only ${BW}x$BH of the ${FULL_W}x$FULL_H frame is shown"
((BX >= 0 && BY >= 0 && BX + BW <= SW && BY + BH <= AREA_H)) ||
    fail "the frame at $BX,$BY is not within the screen's usable ${SW}x$AREA_H"
[ "$(setting x),$(setting y)" = "$WX,$WY" ] || fail "saved $(setting x),$(setting y), shown at $WX,$WY"

# More than half of it on the screen: it stays where it was saved.
X=$((SW - 180))
read -r BX BY BW BH WX WY <<<"$(run "$X" 200)"
echo "saved $X,200: window at $WX,$WY; ${BW}x$BH of the frame shown"
[ "$WX,$WY" = "$X,200" ] || fail "a frame mostly on the screen moved from $X,200 to $WX,$WY"
((2 * BW > FULL_W)) || fail "the test's frame is not mostly on the screen: ${BW} of $FULL_W columns"
echo "PASS: a frame saved off the screens comes fully onto the screen; one mostly on it stays"
