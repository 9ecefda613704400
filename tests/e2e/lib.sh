# Shared set-up of the end-to-end tests: sourced inside a desktop-session, with the path of
# the program as $1. Gives each test its own data folders and a log of the program's output.
set -euo pipefail
. "$(dirname "$0")/../../../shared/tools/ds-helpers.sh"

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
