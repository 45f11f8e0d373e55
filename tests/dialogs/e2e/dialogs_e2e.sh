#!/usr/bin/env bash
# The calibration dialogs of the real zr3config.exe under Wine on COM1, a pseudo-terminal served
# by zr3sim, driven from outside by dialogs_driver.exe: a cable compensation and a one-point probe
# calibration, each through its 20 timed samples; then the simulator's frame trace is checked.
#
#   dialogs_e2e.sh TOOL.exe DRIVER.exe ZR3SIM BUILD_DIR
#
# Keeps BUILD_DIR/artifacts/dialog.png (the probe calibration over the main window) and
# BUILD_DIR/artifacts/dialogs-trace.txt. Runs under its own Xvfb when DISPLAY is not set.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)

if [ "${1:-}" = "--inside" ]; then
    # Inside sim-com1: COM1 is the simulator's terminal, WINEPREFIX is set.
    tool=$2 driver=$3 shot=$4
    "$root/scripts/wine-exec" "$tool" &
    tool_pid=$!
    run() { "$root/scripts/wine-exec" "$driver" "$@"; }
    status=0
    run connect || status=1
    [ $status -eq 0 ] && { run cable || status=1; }
    [ $status -eq 0 ] && { run probe-measure || status=1; }
    if [ $status -eq 0 ]; then
        import -window root png:- | convert - -trim +repage "$shot" ||
            echo "dialogs_e2e: no screenshot" >&2
        run probe-ok || status=1
    fi
    # Whatever happened, the tool goes: Esc for a dialog left open, then the main window.
    run close || status=1
    for _ in $(seq 1 50); do
        kill -0 "$tool_pid" 2>/dev/null || break
        sleep 0.2
    done
    if kill -0 "$tool_pid" 2>/dev/null; then
        echo "dialogs_e2e: zr3config.exe still runs" >&2
        kill "$tool_pid" 2>/dev/null || true
        status=1
    fi
    wait "$tool_pid" 2>/dev/null || true
    exit $status
fi

[ $# -eq 4 ] || { sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
tool=$1 driver=$2 zr3sim=$3 build=$4

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

artifacts=$build/artifacts
mkdir -p "$artifacts"
trace=$artifacts/dialogs-trace.txt
shot=$artifacts/dialog.png
rm -f "$trace" "$shot"

status=0
"$root/scripts/sim-com1" "$build/wineprefix" --zr3sim "$zr3sim" --no-noise --no-drift \
    --trace "$trace" -- "$0" --inside "$tool" "$driver" "$shot" || status=$?
WINEPREFIX="$build/wineprefix" wineserver -w 2>/dev/null || true
[ $status -eq 0 ] || { echo "dialogs_e2e: the driver failed ($status)" >&2; exit 1; }

# The requests on the line, in order ("12.345678 > 01 28 00 D7").
requests=$(awk '$2 == ">" { $1 = ""; $2 = ""; sub(/^ +/, ""); print }' "$trace")
fail=0
count() { grep -c "^$1\$" <<<"$requests" || true; }
expect_line() { # what, whole-line pattern (extended regex)
    if ! grep -Eq "^$2\$" <<<"$requests"; then
        echo "dialogs_e2e: no $1 ($2) on the line" >&2
        fail=1
    fi
}
# Cable compensation: the stored value read, 20 capacity samples, 37.5 = 0x42160000 written.
expect_line "stored capacity read" "01 38 00 C7"
samples=$(count "01 28 00 D7")
if [ "$samples" -ne 20 ]; then
    echo "dialogs_e2e: $samples capacity samples, expected 20" >&2
    fail=1
fi
expect_line "cable compensation write" "01 38 04 00 00 16 42 6B"
# Probe calibration: damping 0 around it and 5 again after, K[0..3] written under 'F'.
expect_line "damping 0" "01 44 01 00 BA"
expect_line "damping restored" "01 44 01 05 B5"
expect_line "probe coefficients write" "01 46 10 00 00 00 00 ([0-9A-F]{2} ){4}(00 ){8}[0-9A-F]{2}"
[ -s "$shot" ] || { echo "dialogs_e2e: no screenshot at $shot" >&2; fail=1; }
[ $fail -eq 0 ] || exit 1
echo "dialogs_e2e: passed; $(wc -l <"$trace") frames, $samples capacity samples; screenshot $shot"
