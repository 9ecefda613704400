#!/usr/bin/env bash
# A desktop without a system tray (run with --no-tray): a saved click-through is not applied,
# so the frame's own menu opens on a right click; its Click Through item explains in a message
# box instead of switching on, and click-through stays off.
. "$(dirname "$0")/lib.sh"

[ "$DS_TRAY" = 0 ] || fail "this test needs a desktop without a tray (desktop-session --no-tray)"
settings_with x=300 y=150 clickthrough=TRUE
start_program
wait_for frame_window >/dev/null || fail "no frame window"
W=$(frame_window)
read -r X Y FW FH <<<"$(ds_geom "$W")"
sleep 1

# others: ids of the program's viewable windows titled Tallowquince, the frame aside.
others() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$PID" 2>/dev/null); do
        [ "$w" != "$W" ] && [ "$(xdotool getwindowname "$w")" = Tallowquince ] && echo "$w"
    done
    return 0
}
before=$(xdotool search --onlyvisible --pid "$PID" 2>/dev/null | wc -l)
menu_open() { (($(xdotool search --onlyvisible --pid "$PID" 2>/dev/null | wc -l) > before)); }
ds_click $((X + FW / 2)) $((Y + FH / 2)) 3
wait_for menu_open || fail "a right click on the frame opened no menu: the saved click-through was applied"
xdotool key Up Up Up Return  # Close, About, Click Through
box_shown() { [ -n "$(others)" ]; }
wait_for box_shown || fail "Click Through showed no message"
B=$(others | head -n 1)
ds_keys "$B" Return
gone() { [ -z "$(others)" ]; }
wait_for gone || fail "the message did not close"

kill -TERM "$PID"
wait_exit "$PID" || fail "the program did not end"
[ "$(setting clickthrough)" = FALSE ] || fail "click-through saved as $(setting clickthrough)"
echo "PASS: without a tray the saved click-through was not applied; Click Through explained why"
