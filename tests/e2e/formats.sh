#!/usr/bin/env bash
# HEIC and AVIF photos in the frame: a HEIC chosen as the single file, and an AVIF that its
# container turns and mirrors, chosen as the single file and found as the only photo of a
# folder, each look like the JPEG they were made from. Screenshots of the HEIC and the AVIF in
# the frame go beside the program's build folder (FORMATS_SHOTS: another folder).
. "$(dirname "$0")/lib.sh"

PHOTOS=$(cd "$(dirname "$0")/photos" && pwd)
SHOTS=${FORMATS_SHOTS:-$(cd "$(dirname "$PROGRAM")/.." && pwd)}
mkdir -p "$WORK/folder"
cp "$PHOTOS/sample-turned.avif" "$WORK/folder/"
convert "$(dirname "$PROGRAM")/sample.jpg" -resize 800x600 "$WORK/sample.jpg"

# show NAME SETTINGS...: starts the program with these settings and screenshots the frame
# into $WORK/NAME.png; the frame's centre is then in CX, CY.
show() {
    local name=$1 X Y FW FH status
    shift
    settings_with scale=10000000 x=150 y=100 "$@"
    start_program
    wait_for frame_window >/dev/null || fail "$name: no frame window"
    read -r X Y FW FH <<<"$(ds_geom "$(frame_window)")"
    sleep 1
    ds_shot "$WORK/screen.png"
    ds_crop "$WORK/screen.png" "$X" "$Y" "$FW" "$FH" "$WORK/$name.png" || fail "$name: no screenshot"
    CX=$((FW / 2)) CY=$((FH / 2))
    kill -TERM "$PID"
    status=0
    wait_exit "$PID" || status=$?
    [ "$status" -eq 0 ] || fail "$name: exit status $status"
}

# same_picture NAME: the photo area of NAME's screenshot shows the JPEG's picture.
same_picture() {
    local p px py got want
    for p in "0 0" "-90 -50" "90 50" "-110 60" "110 -60" "40 -70"; do
        read -r px py <<<"$p"
        got=$(ds_rgb "$WORK/$1.png" $((CX + px)) $((CY + py)))
        want=$(ds_rgb "$WORK/jpeg.png" $((CX + px)) $((CY + py)))
        close_to "$got" "$want" 16 || fail "$1: pixel $px,$py from the centre is $got, the JPEG's $want"
    done
}

show jpeg modefile=TRUE "file=$WORK/sample.jpg"
show heic modefile=TRUE "file=$PHOTOS/sample.heic"
same_picture heic
show avif modefile=TRUE "file=$PHOTOS/sample-turned.avif"
same_picture avif
# A folder without photos would stop the start-up with a message box: no frame would show.
show folder modefile=FALSE "folder=$WORK/folder/"
same_picture folder

cp "$WORK/heic.png" "$SHOTS/frame-heic.png"
cp "$WORK/avif.png" "$SHOTS/frame-avif.png"
echo "PASS: HEIC and AVIF shown like their JPEG; screenshots $SHOTS/frame-heic.png, $SHOTS/frame-avif.png"
