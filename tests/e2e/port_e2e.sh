#!/usr/bin/env bash
# The port list and a port that goes away, end to end: the real zr3config.exe under Wine with COM1
# on a zr3sim pseudo-terminal and COM2 (nothing behind it) in the list, driven from outside by
# main_window_driver.exe. The arrow keys pass over COM1 without opening it, a choice in the open
# list connects at once, also to the port already chosen; the terminal closed under "Reading"
# stops it with one message, and a new zr3sim on COM1 is reached by choosing COM1 again.
#
#   port_e2e.sh TOOL.exe DRIVER.exe ZR3SIM BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/tests/driver/e2e_steps.sh"

if [ "${1:-}" = "--inside" ]; then
    # Beside the tool, inside scripts/sim-tool: COM1 is the first simulator's terminal.
    driver=$2 zr3sim=$3 work=$4
    export ZR3_FM_WORK=$work
    status=0
    drive "$driver" ports || status=$?
    serve_restarts "$zr3sim" "$work" &
    service=$!
    drive "$driver" gone || status=$?
    drive "$driver" close || status=1
    stop_restarts "$work" "$service"
    exit $status
fi

[ $# -eq 4 ] || usage
tool=$1 driver=$2 zr3sim=$3 build=$4
prefix=$build/wineprefix
work=$(mktemp -d "${TMPDIR:-/tmp}/zr3-port-e2e.XXXXXX")
ports='HKLM\Software\Wine\Ports'
"$root/scripts/wine-prefix" "$prefix"
prefix=$(cd "$prefix" && pwd)
wine_prefix() { WINEPREFIX="$prefix" WINEDEBUG=-all "$@" </dev/null >/dev/null 2>&1; }
# COM2 in the port list for the time of the test (/dev/null behind it): Wine builds the list and
# the COM links from its port settings when its server starts. The session of the registry calls
# has no display: it must be gone before the tool starts.
cleanup() {
    wine_prefix wineserver -p5 || true
    wine_prefix wine reg delete "$ports" /v COM2 /f || true
    wine_prefix wineserver -w || true
    [ "$(readlink "$prefix/dosdevices/com2" 2>/dev/null)" != /dev/null ] ||
        rm -f "$prefix/dosdevices/com2"
    rm -rf "$work"
}
trap cleanup EXIT
wine_prefix wineserver -p5 || true
wine_prefix wine reg add "$ports" /v COM2 /d /dev/null /f
wine_prefix wineserver -w || true

"$root/scripts/sim-tool" "$prefix" "$tool" --private-display --zr3sim "$zr3sim" --no-noise \
    --no-drift -- "$0" --inside "$driver" "$zr3sim" "$work"
echo "port_e2e: passed"
