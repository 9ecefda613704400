#!/usr/bin/env bash
# The modifier keys the platform layer reads from the X server: none held, then each alone,
# then all at once, held down with the XTEST extension. $1 is the reporting program.
set -euo pipefail
KEYSTATE=$1

# expect KEYS WANTED: holds KEYS (blank-separated key names), reads the state, lets go.
expect() {
    local keys=$1 want=$2 got key
    for key in $keys; do xdotool keydown "$key"; done
    got=$("$KEYSTATE")
    for key in $keys; do xdotool keyup "$key"; done
    if [ "$got" != "$want" ]; then
        echo "FAIL: holding '$keys' reads '$got', not '$want'" >&2
        exit 1
    fi
}

expect "" "shift=0 alt=0 ctrl=0"
expect "Shift_L" "shift=1 alt=0 ctrl=0"
expect "Control_L" "shift=0 alt=0 ctrl=1"
expect "Alt_L" "shift=0 alt=1 ctrl=0"
expect "Shift_L Control_L Alt_L" "shift=1 alt=1 ctrl=1"
expect "" "shift=0 alt=0 ctrl=0"
echo "key state: ok"
