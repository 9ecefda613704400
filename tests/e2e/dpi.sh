#!/usr/bin/env bash
# High DPI: with QT_SCALE_FACTOR 2 and 1.5 the frame keeps its logical size and place, shows
# the same picture as at 1x, and draws it with the screen's own pixels: no rows or columns
# repeated as when a 1x picture is enlarged. The transparent margin still takes no input.
# DPI_SHOTS=DIR keeps the screenshots of the frame at 1x and 2x there.
. "$(dirname "$0")/lib.sh"

# measure A.png [B.png]: "DUP" is the share of rows and columns of A equal to their
# neighbour; with B (the 1x picture) also "DIFF", the mean channel difference between A
# reduced to B's size and B, in 0..255.
measure() {
    local a=$1 b=${2:-}
    read -r aw ah <<<"$(identify -format '%w %h' "$a")"
    convert "$a" -depth 8 rgb:"$WORK/a.rgb"
    if [ -n "$b" ]; then
        read -r bw bh <<<"$(identify -format '%w %h' "$b")"
        convert "$a" -filter box -resize "${bw}x${bh}!" -depth 8 rgb:"$WORK/a1.rgb"
        convert "$b" -depth 8 rgb:"$WORK/b.rgb"
    fi
    python3 - "$WORK" "$aw" "$ah" "${bw:-0}" "${bh:-0}" <<'PY'
import os, sys
work, aw, ah, bw, bh = sys.argv[1], *map(int, sys.argv[2:])
a = open(os.path.join(work, "a.rgb"), "rb").read()
rows = [a[y * aw * 3:(y + 1) * aw * 3] for y in range(ah)]
cols = [bytes(a[(y * aw + x) * 3 + c] for y in range(ah) for c in range(3)) for x in range(aw)]
dup = (sum(rows[i] == rows[i - 1] for i in range(1, ah)) +
       sum(cols[i] == cols[i - 1] for i in range(1, aw))) / (ah + aw - 2)
print(f"DUP={dup:.3f}")
if bw:
    a1 = open(os.path.join(work, "a1.rgb"), "rb").read()
    b = open(os.path.join(work, "b.rgb"), "rb").read()
    print(f"DIFF={sum(abs(p - q) for p, q in zip(a1, b)) / len(b):.2f}")
PY
}

# shot FACTOR: starts the program at QT_SCALE_FACTOR=FACTOR and screenshots the middle of the
# frame (the photo and the moulding, 200 x 140 logical pixels) into $WORK/FACTOR.png.
shot() {
    local f=$1 W X Y FW FH L
    settings_with x=50 y=50
    QT_SCALE_FACTOR=$f start_program
    wait_for frame_window >/dev/null || fail "${f}x: no frame window"
    W=$(frame_window)
    read -r X Y FW FH <<<"$(ds_geom "$W")"
    # Walnut at scale 0.5: a canvas of 308 logical pixels at (50, 50).
    L=$(python3 -c "print(round(308 * $f), round(50 * $f))")
    [ "$FW $FH" = "${L% *} ${L% *}" ] || fail "${f}x: the frame is ${FW}x$FH pixels, not ${L% *}"
    [ "$X $Y" = "${L#* } ${L#* }" ] || fail "${f}x: the frame is at $X,$Y, not ${L#* }"
    sleep 0.7
    ds_shot "$WORK/screen.png"
    read -r CX CY CW CH <<<"$(python3 -c "print(*[round(v * $f) for v in (104, 134, 200, 140)])")"
    ds_crop "$WORK/screen.png" "$CX" "$CY" "$CW" "$CH" "$WORK/$f.png"
    [ -z "${DPI_SHOTS:-}" ] || ds_crop "$WORK/screen.png" "$X" "$Y" "$FW" "$FH" "$DPI_SHOTS/frame-${f}x.png"
    # The corner of the canvas is transparent and passes the pointer on.
    xdotool mousemove $((X + 3)) $((Y + 3))
    eval "$(xdotool getmouselocation --shell)"
    [ "$WINDOW" != "$W" ] || fail "${f}x: the transparent margin takes the pointer"
    xdotool mousemove $((X + FW / 2)) $((Y + FH / 2))
    eval "$(xdotool getmouselocation --shell)"
    PARENT=$(xwininfo -tree -id "$W" | awk '/Parent window id/ {print $4}')
    [ "$WINDOW" = "$W" ] || [ "$WINDOW" = "$((PARENT))" ] || fail "${f}x: the photo does not take the pointer"
    xdotool mousemove 5 5
    kill -TERM "$PID"
    wait_exit "$PID" || fail "${f}x: the program did not end"
    [ "$(setting scale)" = 5000000 ] || fail "${f}x: scale saved as $(setting scale)"
    [ "$(setting x),$(setting y)" = "50,50" ] || fail "${f}x: saved at $(setting x),$(setting y)"
}

shot 1
eval "$(measure "$WORK/1.png")"
echo "1x: $DUP of the rows and columns repeat their neighbour"
(($(python3 -c "print(int($DUP < 0.05))"))) || fail "the 1x picture already repeats rows: $DUP"
for f in 2 1.5; do
    shot "$f"
    eval "$(measure "$WORK/$f.png" "$WORK/1.png")"
    echo "${f}x: $DUP of the rows and columns repeat their neighbour; $DIFF from the 1x picture"
    (($(python3 -c "print(int($DUP < 0.1))"))) || fail "${f}x: an enlarged 1x picture ($DUP repeated)"
    (($(python3 -c "print(int($DIFF < 12))"))) || fail "${f}x: not the 1x picture ($DIFF apart)"
done
echo "PASS: at 2x and 1.5x the frame keeps its logical size and place and uses every pixel"
