#!/usr/bin/env bash
# The Debian package, unpacked into a temporary root with dpkg-deb -x and made read-only, run
# by an ordinary user with an empty home: the frame shows the first bundled skin around the
# sample photo, the user's folders get the shipped skins and locales, the settings are
# written at exit, and nothing is written into the program's folders. /PORTABLE there says
# that the folder cannot be written and ends. A picture of the frame goes beside the build
# folder's program (PACKAGE_SHOT for another path).
# Needs TQ_PACKAGE_DIR (where CPack wrote the package), TQ_VERSION and TQ_COMPOSE_FRAME.
. "$(dirname "$0")/lib.sh"

SHOT=${PACKAGE_SHOT:-$(cd "$(dirname "$PROGRAM")/.." && pwd)/unpacked-package-frame.png}
shopt -s nullglob
debs=("$TQ_PACKAGE_DIR"/tallowquince_"$TQ_VERSION"_*.deb)
shopt -u nullglob
[ ${#debs[@]} = 1 ] || fail "expected one package in $TQ_PACKAGE_DIR, found: ${debs[*]:-none}"

# An ordinary user: root runs the program as nobody, anyone else as themselves.
as_user=()
if [ "$(id -u)" = 0 ]; then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi
user_owns() { [ ${#as_user[@]} = 0 ] || chown -R nobody:nogroup "$@"; }

trap 'chmod -R u+w "$WORK" 2>/dev/null; cleanup' EXIT
chmod 755 "$WORK"
ROOT=$WORK/root
dpkg-deb -x "${debs[0]}" "$ROOT"
chmod -R a-w "$ROOT"
INSTALLED=$ROOT/usr/bin/tallowquince
SHARE=$ROOT/usr/share/tallowquince

# A new user: nothing but an empty home, private runtime and temporary folders.
SESSION_RUNTIME=$XDG_RUNTIME_DIR
export HOME=$WORK/home XDG_RUNTIME_DIR=$WORK/runtime TMPDIR=$WORK/tmp
unset XDG_DATA_HOME XDG_CONFIG_HOME
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
touch "$LOG"
user_owns "$HOME" "$XDG_RUNTIME_DIR" "$TMPDIR" "$LOG"
SETTINGS=$HOME/.config/Tallowquince/Tallowquince.TQSettings
touch "$WORK/before"

run_installed() {
    "${as_user[@]}" "$INSTALLED" "$@" >>"$LOG" 2>&1 &
    PID=$!
    PIDS+=("$PID")
}

# The first start.
xdotool mousemove 5 5
run_installed
wait_for frame_window >/dev/null || fail "no frame window"
W=$(frame_window)
wait_for ds_tray_icon tallowquince >/dev/null || fail "no tray icon"
read -r X Y FW FH <<<"$(ds_geom "$W")"

# The frame as the program's own composition draws the first bundled skin around the sample
# photo, over the desktop's colour.
SKIN=$(XDG_RUNTIME_DIR=$SESSION_RUNTIME "$TQ_COMPOSE_FRAME" "$SHARE/Skins" "$SHARE/sample.jpg" "$WORK/expected.png") ||
    fail "could not compose the expected frame"
[ "$(identify -format '%wx%h' "$WORK/expected.png")" = "${FW}x$FH" ] ||
    fail "the frame is ${FW}x$FH, not the size of '$SKIN' at the starting scale"
convert "$WORK/expected.png" -background "$DS_BG" -flatten "$WORK/expected-flat.png"
sleep 1
ds_shot "$WORK/screen.png"
ds_crop "$WORK/screen.png" "$X" "$Y" "$FW" "$FH" "$WORK/shown.png"
differing=$(compare -metric AE -fuzz 2% "$WORK/shown.png" "$WORK/expected-flat.png" null: 2>&1) || true
((differing * 200 < FW * FH)) ||
    fail "$differing of $((FW * FH)) pixels differ from '$SKIN' around the sample photo"
M=40
ds_crop "$WORK/screen.png" $((X - M)) $((Y - M)) $((FW + 2 * M)) $((FH + 2 * M)) "$SHOT" ||
    fail "no picture of the frame"

# The first start filled the user's folders with what ships in the package.
for kind in Skins:TQSkin Locales:TQLocale; do
    folder=${kind%%:*}
    mine=$HOME/.local/share/Tallowquince/$folder
    [ -n "$(ls "$SHARE/$folder")" ] || fail "the package ships no $folder"
    for file in "$SHARE/$folder"/*."${kind#*:}"; do
        cmp -s "$file" "$mine/$(basename "$file")" || fail "$folder/$(basename "$file") not copied to $mine"
    done
done

# An orderly end writes the settings into the user's configuration folder.
kill -TERM "$PID"
status=0
wait_exit "$PID" || status=$?
[ "$status" = 0 ] || fail "exit status $status after SIGTERM"
[ "$(setting skin)" = "$SKIN" ] || fail "saved skin '$(setting skin)', not '$SKIN'"
[ "$(setting file)" = "$SHARE/sample.jpg" ] || fail "saved photo '$(setting file)'"
[ "$(setting folder)" = "$SHARE/" ] || fail "saved folder '$(setting folder)'"
[ -z "$(find "$ROOT" -newer "$WORK/before")" ] || fail "written into the program's folders"

# /PORTABLE where the user cannot write: an error box, then the end, having written nothing.
rm "$SETTINGS"
run_installed /PORTABLE
BOX=$(message_box "$PID") || fail "/PORTABLE shows no box"
[ "$(xdotool search --onlyvisible --pid "$PID" | wc -l)" = 1 ] || fail "more than the /PORTABLE box"
answer_box "$PID" "$BOX"
status=0
wait_exit "$PID" || status=$?
[ "$status" = 1 ] || fail "exit status $status after the /PORTABLE box"
[ ! -e "$SETTINGS" ] || fail "/PORTABLE wrote settings into the home"
[ -z "$(find "$ROOT" -newer "$WORK/before")" ] || fail "/PORTABLE wrote into the program's folders"
echo "PASS: the unpacked package ran for $("${as_user[@]}" id -un) with an empty home: '$SKIN'" \
    "around the sample photo ($differing pixels apart), skins and locales copied, settings" \
    "saved; /PORTABLE refused; picture $SHOT"
