# Shared set-up of the end-to-end tests: sourced inside a desktop-session, with the path of
# the program as $1. Gives each test its own data folders and a log of the program's output.
set -euo pipefail
. "$(dirname "$0")/ds-helpers.sh"

PROGRAM=$1
WORK=$(mktemp -d)
export TMPDIR=$WORK/tmp XDG_DATA_HOME=$WORK/data XDG_CONFIG_HOME=$WORK/config
mkdir -p "$TMPDIR" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
SETTINGS=$XDG_CONFIG_HOME/Tallowquince/Tallowquince.TQSettings
LOG=$WORK/program.log
PIDS=()

cleanup() {
    local pid
    for pid in "${PIDS[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -f "$LOG" ] && sed 's/^/program: /' "$LOG" >&2
    exit 1
}

# start_program [ARGS...]: starts the program in the background; its pid is in $PID.
start_program() {
    "$PROGRAM" "$@" >>"$LOG" 2>&1 &
    PID=$!
    PIDS+=("$PID")
}

# temp_folders: the program's private temporary folders that exist now.
temp_folders() { find "$TMPDIR" -maxdepth 1 -name 'TQTemp-*' | sort; }

# wait_for COMMAND... : polls COMMAND for up to 10 seconds.
wait_for() {
    local end=$(($(date +%s) + 10))
    until "$@"; do
        (($(date +%s) > end)) && return 1
        sleep 0.1
    done
}

# wait_exit PID: waits up to 10 seconds for the program to end; returns its exit status,
# or 124 when it is still running.
wait_exit() {
    local i
    for i in $(seq 100); do
        kill -0 "$1" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$1" 2>/dev/null && return 124
    wait "$1"
}

# frame_window: the id of the frame window (the program's large window titled Tallowquince).
frame_window() {
    local w g
    for w in $(xdotool search --onlyvisible --name '^Tallowquince$' 2>/dev/null); do
        g=$(ds_geom "$w")
        set -- $g
        if (($3 > 64 && $4 > 64)); then
            echo "$w"
            return 0
        fi
    done
    return 1
}

# settings_with KEY=VALUE...: writes a complete settings file with these values changed.
settings_with() {
    local -A values=(
        [locale]="English (American) DEFAULT" [skin]=Walnut [scale]=5000000 [angle]=0
        [stayontop]=TRUE [transparency]=255 [hovertransparency]=255 [rotate]=FALSE [x]=200
        [y]=200 [zoom]=0 [optDX]=0 [optDY]=0 [modefile]=TRUE [skip]=TRUE [subfolders]=TRUE
        [random]=TRUE [autoupdate]=FALSE [locked]=FALSE [clickthrough]=FALSE)
    local pair key
    for pair in "$@"; do values[${pair%%=*}]=${pair#*=}; done
    mkdir -p "$(dirname "$SETTINGS")"
    : >"$SETTINGS"
    for key in locale skin scale angle stayontop transparency hovertransparency rotate x y zoom \
        optDX optDY modefile skip subfolders random autoupdate locked clickthrough; do
        printf '%s=%s\r\n' "$key" "${values[$key]}" >>"$SETTINGS"
    done
    # The photo and the folder only when given: without them the program takes its defaults.
    for key in file folder; do
        [ -z "${values[$key]+set}" ] || printf '%s=%s\r\n' "$key" "${values[$key]}" >>"$SETTINGS"
    done
}

# setting KEY: the value saved in the settings file.
setting() { tr -d '\r' <"$SETTINGS" | sed -n "s/^$1=//p"; }

# close_to A B [TOL]: R,G,B triples within TOL per channel.
close_to() { ds_rgb_close "$1" "$2" "${3:-4}"; }

# open_tray_menu: right-clicks the tray icon until its menu shows (the menu is given to the
# icon a moment after start-up, and never while a dialog is open).
open_tray_menu() {
    local X Y W H before i
    read -r X Y W H <<<"$(ds_tray_icon tallowquince)" || return 1
    before=$(xdotool search --onlyvisible --pid "$PID" 2>/dev/null | wc -l)
    for i in $(seq 20); do
        ds_click $((X + W / 2)) $((Y + H / 2)) 3
        sleep 0.3
        (($(xdotool search --onlyvisible --pid "$PID" 2>/dev/null | wc -l) > before)) && return 0
        sleep 0.2
    done
    return 1
}

# message_box PID: waits for the program's message box (a window titled Tallowquince that is
# not a tray icon) and prints its id. For a program whose frame is not shown.
message_box() {
    local end=$(($(date +%s) + 10)) w x y width height
    while (($(date +%s) <= end)); do
        for w in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
            read -r x y width height <<<"$(ds_geom "$w")"
            if ((width > 64 || height > 64)) && [ "$(xdotool getwindowname "$w")" = Tallowquince ]; then
                echo "$w"
                return 0
            fi
        done
        sleep 0.1
    done
    return 1
}

# answer_box PID BOX: presses Return in the box until the program goes on; a busy desktop may
# need a moment before the box has the keyboard.
answer_box() {
    local i
    for i in $(seq 10); do
        ds_focus "$2" || true
        xdotool key Return
        sleep 0.5
        kill -0 "$1" 2>/dev/null || return 0
    done
}
