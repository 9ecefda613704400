# ds-helpers.sh: bash functions that drive and inspect a desktop started by desktop-session.
# Source it inside the session's command: . "$DS_HELPERS" (or its path beside the runner).
# Needs xdotool, x11-utils (xprop, xwininfo), imagemagick (import, convert) and $DISPLAY.
# Colours are "R,G,B" with channels 0-255; window ids are decimal, as xdotool prints them.

DS_X11=${DS_X11:-$(dirname "${BASH_SOURCE[0]}")/ds-x11.py}
DS_PYTHON=${DS_PYTHON:-python3}

# _ds_deadline SECONDS / _ds_past DEADLINE: polling limits in nanoseconds.
_ds_deadline() { echo $(($(date +%s%N) + ${1%.*} * 1000000000)); }
_ds_past() { (($(date +%s%N) > $1)); }

# ds_shot FILE: the whole screen as the compositor shows it.
ds_shot() { import -window root "$1"; }

# ds_crop IN X Y W H OUT: a rectangle of a screenshot.
ds_crop() { convert "$1" -crop "${4}x${5}+${2}+${3}" +repage "$6"; }

_DS_RGB='%[fx:int(255*r+0.5)],%[fx:int(255*g+0.5)],%[fx:int(255*b+0.5)]'

# ds_rgb FILE X Y: one pixel of an image.
ds_rgb() { convert "$1" -crop "1x1+$2+$3" +repage -format "$_DS_RGB" info:; }

# ds_pixel X Y: one pixel of the screen now.
ds_pixel() { import -window root -crop "1x1+$1+$2" +repage png:- | convert png:- -format "$_DS_RGB" info:; }

# ds_color_rgb COLOR: an X11 or ImageMagick colour ('#0000ff', 'navy') as R,G,B.
ds_color_rgb() { convert xc:"$1" -format "$_DS_RGB" info:; }

# ds_rgb_close A B [TOL]: true when no channel of A and B differs by more than TOL (default 3).
ds_rgb_close() {
    local a b i d
    IFS=, read -r -a a <<<"$1"
    IFS=, read -r -a b <<<"$2"
    for i in 0 1 2; do
        d=$((a[i] - b[i]))
        ((d <= ${3:-3} && -d <= ${3:-3})) || return 1
    done
}

# ds_wait_rgb X Y R,G,B [TOL] [TIMEOUT]: waits until the screen pixel matches (default 3 s);
# compositors repaint asynchronously.
ds_wait_rgb() {
    local end px
    end=$(_ds_deadline "${5:-3}")
    while px=$(ds_pixel "$1" "$2"); ! ds_rgb_close "$px" "$3" "${4:-3}"; do
        _ds_past "$end" && { echo "pixel $1,$2 is $px, expected $3" >&2; return 1; }
        sleep 0.05
    done
}

# ds_wid TITLE [TIMEOUT]: waits for a viewable window titled exactly TITLE (default 10 s) and
# prints its id.
ds_wid() {
    local end w
    end=$(_ds_deadline "${2:-10}")
    until w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) && [ -n "$w" ]; do
        _ds_past "$end" && { echo "no window titled '$1'" >&2; return 1; }
        sleep 0.05
    done
    echo "$w"
}

# ds_wait_gone TITLE [TIMEOUT]: waits until no viewable window is titled TITLE.
ds_wait_gone() {
    local end
    end=$(_ds_deadline "${2:-10}")
    while xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; do
        _ds_past "$end" && return 1
        sleep 0.05
    done
}

# ds_wait_line FILE REGEX [TIMEOUT]: waits until a line of FILE matches (default 5 s).
ds_wait_line() {
    local end
    end=$(_ds_deadline "${3:-5}")
    until grep -Eq -- "$2" "$1" 2>/dev/null; do
        _ds_past "$end" && { echo "no line matching /$2/ in $1" >&2; return 1; }
        sleep 0.05
    done
}

# ds_count FILE REGEX: how many lines match.
ds_count() { grep -Ec -- "$2" "$1" 2>/dev/null || true; }

# ds_geom WID: "X Y W H" of a window on the screen.
ds_geom() {
    xwininfo -id "$1" | awk '/Absolute upper-left X:/ {x = $NF} /Absolute upper-left Y:/ {y = $NF}
        /^ *Width:/ {w = $NF} /^ *Height:/ {h = $NF} END {print x, y, w, h}'
}

# ds_net_state WID: the window's _NET_WM_STATE atoms, comma-separated.
ds_net_state() { xprop -id "$1" _NET_WM_STATE | sed -n 's/^_NET_WM_STATE(ATOM) = //p'; }

# ds_skips_taskbar WID: true when the window asks to stay off the task bar.
ds_skips_taskbar() { ds_net_state "$1" | grep -q _NET_WM_STATE_SKIP_TASKBAR; }

# ds_tray_icon CLASS: "X Y W H" of the XEmbed tray icon of a program (a small viewable window
# of that WM_CLASS).
ds_tray_icon() {
    local w x y width height
    for w in $(xdotool search --onlyvisible --class "$1" 2>/dev/null); do
        read -r x y width height <<<"$(ds_geom "$w")"
        if ((width <= 64 && height <= 64)); then
            echo "$x $y $width $height"
            return 0
        fi
    done
    return 1
}

# ds_selection_owned SELECTION: true when a client owns it (WM_S0, _NET_SYSTEM_TRAY_S0,
# _NET_WM_CM_S0...).
ds_selection_owned() { [ "$("$DS_PYTHON" "$DS_X11" owner "$1")" != 0 ]; }

# ds_click X Y [BUTTON]: moves there and clicks (1 left, 2 middle, 3 right, 4-7 wheel).
ds_click() { xdotool mousemove "$1" "$2" sleep 0.05 click "${3:-1}"; }

# ds_drag X1 Y1 X2 Y2 [STEPS] [BUTTON]: presses at the first point, moves in STEPS (default 5)
# and releases at the second.
ds_drag() {
    local steps=${5:-5} button=${6:-1} i
    xdotool mousemove "$1" "$2" sleep 0.05 mousedown "$button"
    for ((i = 1; i <= steps; i++)); do
        xdotool mousemove $(($1 + ($3 - $1) * i / steps)) $(($2 + ($4 - $2) * i / steps)) sleep 0.03
    done
    xdotool mouseup "$button"
}

# ds_wheel X Y up|down|left|right [MODIFIER]: one wheel step there, with MODIFIER held.
ds_wheel() {
    local button
    case $3 in up) button=4 ;; down) button=5 ;; left) button=6 ;; right) button=7 ;; *) return 2 ;; esac
    xdotool mousemove "$1" "$2" sleep 0.05
    if [ -n "${4:-}" ]; then
        xdotool keydown "$4" click "$button" keyup "$4"
    else
        xdotool click "$button"
    fi
}

# ds_focus WID: activates and focuses the window (a frameless tool window is not focused when it
# appears under openbox).
ds_focus() { xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"; }

# ds_keys WID CHORD...: focuses the window, then types the chords (Left shift+Right ctrl+plus).
ds_keys() {
    local w=$1
    shift
    ds_focus "$w"
    xdotool key --delay 30 "$@"
}
