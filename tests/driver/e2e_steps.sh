# shellcheck shell=bash
# What the end-to-end scripts share beside scripts/sim-tool: their usage, the driver's steps under
# Wine, the screenshot, and the checks of zr3sim's frame trace. Sourced; expect_line sets `fail`.
e2e_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
e2e_name=$(basename "$0" .sh)

# The script's opening comment, as its usage.
usage() {
    awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0" >&2
    exit 2
}

# One step of a driver program: DRIVER.exe ARGS...
drive() {
    "$e2e_root/scripts/wine-exec" "$@"
}

# The whole display, trimmed to what is on it.
screenshot() {
    import -window root png:- | convert - -trim +repage "$1"
}

# The frames of a trace ("12.345678 > 01 28 00 D7") in one direction ('>' requests, '<'
# answers), as their bytes, one frame a line.
frames() {
    awk -v direction="$1" '$2 == direction { $1 = ""; $2 = ""; sub(/^ +/, ""); print }' "$2"
}

# How many lines of TEXT are LINE.
count_lines() {
    grep -c "^$1\$" <<<"$2" || true
}

# WHAT, TEXT, PATTERN (a whole line, extended regex): a failure when no line of TEXT matches.
expect_line() {
    if ! grep -Eq "^$3\$" <<<"$2"; then
        echo "$e2e_name: no $1 ($3) on the line" >&2
        # shellcheck disable=SC2034 # the calling script's verdict
        fail=1
    fi
}

# A new zr3sim on the prefix's COM1 whenever a driver asks for one (SimulatorChannel::Restart
# writes WORK/restart.request.N after it has ended the previous simulator), until WORK/stop.
# Run in the background beside a driver: serve_restarts ZR3SIM WORK &
serve_restarts() {
    local zr3sim=$1 work=$2 n=0 next out
    local com1=$WINEPREFIX/dosdevices/com1
    while [ ! -e "$work/stop" ]; do
        next=$((n + 1))
        if [ -e "$work/restart.request.$next" ]; then
            n=$next
            out=$work/out.$n
            "$zr3sim" --control "$work/control.$n" --trace "$work/trace.$n" --link "$com1" \
                --no-noise --no-drift >"$out" 2>"$work/err.$n" </dev/null &
            echo $! >"$work/sim.$n.pid"
            for _ in $(seq 1 100); do
                [ -s "$out" ] && break
                sleep 0.05
            done
            printf 'control=%s\ntrace=%s\nreplies=%s\nend\n' "$work/control.$n" \
                "$work/trace.$n" "$out" >"$work/restart.done.$n.tmp"
            mv "$work/restart.done.$n.tmp" "$work/restart.done.$n"
        fi
        sleep 0.1
    done
}

# Ends serve_restarts (its process id SERVICE) and the simulators it started, and points COM1 back
# at the first simulator's terminal, so that sim-com1 puts it back as it was.
stop_restarts() {
    local work=$1 service=$2 pidfile pid
    touch "$work/stop"
    wait "$service" 2>/dev/null || true
    for pidfile in "$work"/sim.*.pid; do
        [ -e "$pidfile" ] || continue
        pid=$(cat "$pidfile")
        kill -TERM "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    ln -sfn "$ZR3_SIM_PTY" "$WINEPREFIX/dosdevices/com1"
}
