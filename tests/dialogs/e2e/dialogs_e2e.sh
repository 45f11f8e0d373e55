#!/usr/bin/env bash
# The calibration dialogs of the real zr3config.exe under Wine on COM1, a pseudo-terminal served
# by zr3sim, driven from outside by dialogs_driver.exe: a cable compensation and a one-point probe
# calibration, each through its 20 timed samples, and a probe table point measured while the data
# file was held by another program at opening; then the simulator's frame trace is checked.
#
#   dialogs_e2e.sh TOOL.exe DRIVER.exe ZR3SIM BUILD_DIR
#
# Keeps BUILD_DIR/artifacts/dialog.png (the probe calibration over the main window) and
# BUILD_DIR/artifacts/dialogs-trace.txt. Runs under its own Xvfb when DISPLAY is not set.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
source "$root/tests/driver/e2e_steps.sh"

if [ "${1:-}" = "--inside" ]; then
    # Beside the tool, inside scripts/sim-tool.
    driver=$2 shot=$3
    status=0
    drive "$driver" connect || status=1
    [ $status -eq 0 ] && { drive "$driver" cable || status=1; }
    [ $status -eq 0 ] && { drive "$driver" probe-measure || status=1; }
    if [ $status -eq 0 ]; then
        screenshot "$shot" || echo "dialogs_e2e: no screenshot" >&2
        drive "$driver" probe-ok || status=1
    fi
    [ $status -eq 0 ] && { drive "$driver" locked-table || status=1; }
    # Whatever happened, the tool goes: Esc for a dialog left open, then the main window.
    drive "$driver" close || status=1
    exit $status
fi

[ $# -eq 4 ] || usage
tool=$1 driver=$2 zr3sim=$3 build=$4

artifacts=$build/artifacts
mkdir -p "$artifacts"
trace=$artifacts/dialogs-trace.txt
shot=$artifacts/dialog.png
rm -f "$trace" "$shot"
# The probe table's data file beside the tool, which the locked-table step writes and holds.
export ZR3_E2E_DATAFILE=${tool%.exe}.dat
rm -f "$ZR3_E2E_DATAFILE"

status=0
"$root/scripts/sim-tool" "$build/wineprefix" "$tool" --zr3sim "$zr3sim" --no-noise --no-drift \
    --trace "$trace" -- "$0" --inside "$driver" "$shot" || status=$?
[ $status -eq 0 ] || { echo "dialogs_e2e: the driver failed ($status)" >&2; exit 1; }

requests=$(frames '>' "$trace")
fail=0
# Cable compensation: the stored value read, 20 capacity samples, 37.5 = 0x42160000 written.
expect_line "stored capacity read" "$requests" "01 38 00 C7"
samples=$(count_lines "01 28 00 D7" "$requests")
if [ "$samples" -ne 20 ]; then
    echo "dialogs_e2e: $samples capacity samples, expected 20" >&2
    fail=1
fi
expect_line "cable compensation write" "$requests" "01 38 04 00 00 16 42 6B"
# Probe calibration: damping 0 around it and 5 again after, K[0..3] written under 'F'.
expect_line "damping 0" "$requests" "01 44 01 00 BA"
expect_line "damping restored" "$requests" "01 44 01 05 B5"
expect_line "probe coefficients write" "$requests" \
    "01 46 10 00 00 00 00 ([0-9A-F]{2} ){4}(00 ){8}[0-9A-F]{2}"
[ -s "$shot" ] || { echo "dialogs_e2e: no screenshot at $shot" >&2; fail=1; }
[ $fail -eq 0 ] || exit 1
echo "dialogs_e2e: passed; $(wc -l <"$trace") frames, $samples capacity samples; screenshot $shot"
