#!/usr/bin/env bash
# The frame on the desktop: saved position, per-pixel transparency and the constant alpha,
# input only over its visible pixels, no task-bar button, drag, zoom key, and SIGTERM saving.
. "$(dirname "$0")/lib.sh"

settings_with x=300 y=150 transparency=128 hovertransparency=255
xdotool mousemove 5 5
start_program
wait_for frame_window >/dev/null || fail "no frame window"
W=$(frame_window)
read -r X Y FW FH <<<"$(ds_geom "$W")"
[ "$X $Y" = "300 150" ] || fail "frame at $X,$Y, not at the saved 300,150"
# Walnut is 434 x 344: at scale 0.5 the canvas is 308 pixels square.
[ "$FW $FH" = "308 308" ] || fail "frame is ${FW}x$FH"
ds_skips_taskbar "$W" || fail "the frame asks for a task-bar button: $(ds_net_state "$W")"
ds_net_state "$W" | grep -q _NET_WM_STATE_ABOVE || fail "the frame is not on top"

BG=$(ds_color_rgb "$DS_BG")
CX=$((X + FW / 2)) CY=$((Y + FH / 2))
sleep 0.5
# The transparent margin of the canvas shows the desktop, and takes no input there.
ds_wait_rgb $((X + 2)) $((Y + 2)) "$BG" 2 3 || fail "the canvas corner is not transparent"
xdotool mousemove $((X + 2)) $((Y + 2))
eval "$(xdotool getmouselocation --shell)"
PARENT=$(xwininfo -tree -id "$W" | awk '/Parent window id/ {print $4}')
[ "$WINDOW" != "$W" ] && [ "$WINDOW" != "$((PARENT))" ] || fail "the transparent margin takes the pointer"
xdotool mousemove 5 5
sleep 0.5

# At transparency 128 the photo is blended with the desktop; hovering shows it opaque.
points=("$CX $CY" "$((CX - 40)) $((CY + 20))" "$((CX + 50)) $((CY - 30))")
ds_shot "$WORK/away.png"
xdotool mousemove "$CX" "$CY"
eval "$(xdotool getmouselocation --shell)"
PARENT=$(xwininfo -tree -id "$W" | awk '/Parent window id/ {print $4}')
[ "$WINDOW" = "$W" ] || [ "$WINDOW" = "$((PARENT))" ] || fail "the frame's photo does not take the pointer"
sleep 0.7
ds_shot "$WORK/over.png"
IFS=, read -r br bg bb <<<"$BG"
for p in "${points[@]}"; do
    read -r px py <<<"$p"
    IFS=, read -r r g b <<<"$(ds_rgb "$WORK/over.png" "$px" "$py")"
    want="$(((r * 128 + br * 127) / 255)),$(((g * 128 + bg * 127) / 255)),$(((b * 128 + bb * 127) / 255))"
    got=$(ds_rgb "$WORK/away.png" "$px" "$py")
    close_to "$got" "$want" 4 || fail "pixel $px,$py at alpha 128 is $got, expected $want (opaque $r,$g,$b)"
done

# A drag moves the frame by the pointer's way.
ds_drag "$CX" "$CY" $((CX + 60)) $((CY + 40)) 6
sleep 0.5
read -r X2 Y2 _ _ <<<"$(ds_geom "$W")"
[ "$X2 $Y2" = "360 190" ] || fail "after a drag of 60,40 the frame is at $X2,$Y2"

# "=" zooms in: the window grows towards the right and bottom.
ds_keys "$W" equal
sleep 0.5
read -r X3 Y3 FW3 _ <<<"$(ds_geom "$W")"
((FW3 > FW)) || fail "the zoom key left the frame ${FW3} wide"
[ "$X3 $Y3" = "360 190" ] || fail "zooming moved the frame to $X3,$Y3"

# SIGTERM ends the run through the normal shutdown.
kill -TERM "$PID"
status=0
wait_exit "$PID" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status after SIGTERM"
[ "$(setting x),$(setting y)" = "360,190" ] || fail "saved position $(setting x),$(setting y)"
[ "$(setting scale)" != 5000000 ] || fail "the zoom was not saved"
[ -z "$(temp_folders)" ] || fail "temporary folder left: $(temp_folders)"
echo "PASS: frame at the saved place, blended at 128, opaque on hover, dragged, zoomed, saved on SIGTERM"
