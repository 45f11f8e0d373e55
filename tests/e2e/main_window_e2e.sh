#!/usr/bin/env bash
# The real zr3config.exe under Wine on COM1, which is a pseudo-terminal served by zr3sim, driven
# from outside by main_window_driver.exe; then the simulator's frame trace is checked.
#
#   main_window_e2e.sh TOOL.exe DRIVER.exe ZR3SIM BUILD_DIR [DPI]
#
# Keeps BUILD_DIR/artifacts/main-window.png (the window with the converter's values) and
# BUILD_DIR/artifacts/e2e-trace.txt. Runs on a private Xvfb, so that the screenshot shows nothing
# of other tests. With DPI (120, 144, ...) the tool runs in a prefix of its own set to that display
# scale (BUILD_DIR/wineprefix-DPI), its outer size must be the 96-DPI size scaled, and the
# pictures are main-window-PERCENT.png and e2e-trace-DPI.txt.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/tests/driver/e2e_steps.sh"

if [ "${1:-}" = "--inside" ]; then
    # Beside the tool, inside scripts/sim-tool.
    driver=$2 shot=$3 dpi=$4
    status=0
    drive "$driver" check || status=$?
    drive "$driver" refuse || status=$?
    # 665 x 462 at 96 DPI, each side scaled and rounded half up.
    drive "$driver" outer $(((665 * dpi + 48) / 96)) $(((462 * dpi + 48) / 96)) || status=$?
    screenshot "$shot" || echo "main_window_e2e: no screenshot" >&2
    drive "$driver" close || status=1
    exit $status
fi

[ $# -eq 4 ] || [ $# -eq 5 ] || usage
tool=$1 driver=$2 zr3sim=$3 build=$4 dpi=${5:-96}

artifacts=$build/artifacts
mkdir -p "$artifacts"
prefix=$build/wineprefix
trace=$artifacts/e2e-trace.txt
shot=$artifacts/main-window.png
if [ "$dpi" != 96 ]; then
    prefix=$build/wineprefix-$dpi
    trace=$artifacts/e2e-trace-$dpi.txt
    shot=$artifacts/main-window-$((dpi * 100 / 96)).png
    export ZR3_WINE_DPI=$dpi
    "$root/scripts/wine-prefix" "$prefix" --dpi "$dpi"
fi
rm -f "$trace" "$shot"

status=0
"$root/scripts/sim-tool" "$prefix" "$tool" --private-display --zr3sim "$zr3sim" --no-noise \
    --no-drift --trace "$trace" -- "$0" --inside "$driver" "$shot" "$dpi" || status=$?
[ $status -eq 0 ] || { echo "main_window_e2e: the driver failed ($status)" >&2; exit 1; }

# The frames on the line, in order.
requests=$(frames '>' "$trace")
answers=$(frames '<' "$trace")
fail=0
# The connect: identity, firmware, then the settings in the window's order and a first poll.
connect=$(head -n 20 <<<"$requests" | awk '{ print $2 }' | tr '\n' ' ')
expected_connect="21 22 23 33 34 44 40 41 45 32 3B 3C 43 3F 3E 24 25 29 2A 2B "
if [ "$connect" != "$expected_connect" ]; then
    echo "main_window_e2e: connect codes '$connect', expected '$expected_connect'" >&2
    fail=1
fi
expect_line "identity request" "$requests" "01 21 00 DE"
expect_line "identity answer" "$answers" "06 08 5A 52 33 00 00 00 00 00 13"
expect_line "firmware request" "$requests" "01 22 00 DD"
expect_line "firmware answer" "$answers" "06 02 03 01 F4"
expect_line "input damping request" "$requests" "01 44 00 BB"
expect_line "input damping answer" "$answers" "06 01 05 F4"
# "21,5" written as the reference temperature: 21.5 = 0x41AC0000.
expect_line "reference temperature write" "$requests" "01 3F 04 00 00 AC 41 CF"
# "12abc" as the start of range was refused: no write of the start is on the line.
if grep -q "^01 40 04 " <<<"$requests"; then
    echo "main_window_e2e: a start of range was written although the text was refused" >&2
    fail=1
fi
polls=$(count_lines "01 24 00 DB" "$requests")
if [ "$polls" -lt 4 ]; then
    echo "main_window_e2e: only $polls resistance reads; \"Reading\" did not poll" >&2
    fail=1
fi
[ -s "$shot" ] || { echo "main_window_e2e: no screenshot at $shot" >&2; fail=1; }
[ $fail -eq 0 ] || exit 1
echo "main_window_e2e: passed; $(wc -l <"$trace") frames, $polls polls; screenshot $shot"
