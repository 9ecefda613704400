#!/usr/bin/env bash
# The settings survive a crash: a drag, then kill -9 three seconds later, leaves the new
# position in the settings file, written once for the whole drag, not once per pixel.
. "$(dirname "$0")/lib.sh"

settings_with x=300 y=150
start_program
wait_for frame_window >/dev/null || fail "no frame window"
W=$(frame_window)
read -r X Y FW FH <<<"$(ds_geom "$W")"
[ "$X $Y" = "300 150" ] || fail "frame at $X,$Y, not at the saved 300,150"
# Each write replaces the file (a new inode): a watcher lists them, once what the start-up
# changed has been written (the file stays the same for 2.5 s).
inode() { stat -c %i "$SETTINGS" 2>/dev/null; }
settled() {
    local before
    before=$(inode)
    sleep 2.5
    [ "$(inode)" = "$before" ]
}
wait_for settled || fail "the settings file keeps changing after the start"
(
    last=$(inode)
    while sleep 0.02; do
        now=$(inode) || continue
        if [ "$now" != "$last" ]; then
            echo "$now"
            last=$now
        fi
    done
) >"$WORK/writes" &
WATCHER=$!

CX=$((X + FW / 2)) CY=$((Y + FH / 2))
start=$(date +%s%N)
ds_drag "$CX" "$CY" $((CX + 90)) $((CY + 60)) 15
took=$((($(date +%s%N) - start) / 1000000))
read -r X2 Y2 _ _ <<<"$(ds_geom "$W")"
[ "$X2 $Y2" = "390 210" ] || fail "after a drag of 90,60 the frame is at $X2,$Y2"
sleep 3
kill -KILL "$PID"
wait "$PID" 2>/dev/null || true
[ "$(setting x),$(setting y)" = "390,210" ] ||
    fail "after kill -9 the saved position is $(setting x),$(setting y), not 390,210"
kill "$WATCHER"
wait "$WATCHER" 2>/dev/null || true
writes=$(wc -l <"$WORK/writes")
# One write once the drag settles; a drag slowed down beyond two seconds also writes on the way.
allowed=$((1 + took / 2000))
((writes >= 1 && writes <= allowed)) ||
    fail "the drag of 15 moves in $took ms wrote the settings $writes times"
echo "PASS: a drag reached the settings file in one write before kill -9"
