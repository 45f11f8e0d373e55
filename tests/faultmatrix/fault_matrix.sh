#!/usr/bin/env bash
# The fault matrix: the real zr3config.exe under Wine with COM1 on a zr3sim pseudo-terminal,
# driven from outside by fault_matrix_driver.exe, which spoils the simulator's answers at every
# place where the tool talks to the converter and ends and restarts the simulator.
#
#   fault_matrix.sh TOOL.exe DRIVER.exe ZR3SIM BUILD_DIR SOURCE_DIR [FILTER]
#
# Writes BUILD_DIR/artifacts/reliability.md and copies it to SOURCE_DIR/docs/reliability.md;
# keeps the frame traces in BUILD_DIR/artifacts/faultmatrix-trace*.txt. FILTER runs only the
# cells whose "fault/place" contains it (the page then shows only those). Runs under its own Xvfb
# when DISPLAY is not set.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/tests/driver/e2e_steps.sh"

if [ "${1:-}" = "--inside" ]; then
    # Beside the tool, inside scripts/sim-tool: COM1 is the first simulator's terminal.
    driver=$2 zr3sim=$3 page=$4 work=$5 artifacts=$6 filter=${7:-}
    export ZR3_FM_WORK=$work

    # A new simulator on COM1 whenever the driver asks for one (restart.request.N); the driver
    # has ended the previous one itself.
    serve_restarts "$zr3sim" "$work" &
    service_pid=$!

    status=0
    drive "$driver" "$page" "$filter" || status=$?

    # Also points COM1 back at the first simulator's terminal, so that sim-com1 puts it back.
    stop_restarts "$work" "$service_pid"
    for trace in "$work"/trace.*; do
        [ -e "$trace" ] || continue
        cp "$trace" "$artifacts/faultmatrix-trace.${trace##*.}.txt"
    done
    exit $status
fi

{ [ $# -ge 5 ] && [ $# -le 6 ]; } || usage
absolute() { echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
tool=$(absolute "$1") driver=$(absolute "$2") zr3sim=$(absolute "$3")
build=$(cd "$4" && pwd) source=$(cd "$5" && pwd) filter=${6:-}

artifacts=$build/artifacts
mkdir -p "$artifacts"
page=$artifacts/reliability.md
rm -f "$page" "$artifacts"/faultmatrix-trace*.txt
work=$(mktemp -d "${TMPDIR:-/tmp}/zr3-faultmatrix.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The probe table starts empty: the matrix adds a point to it.
datafile=${tool%.exe}.dat
rm -f "$datafile"
export ZR3_FM_DATAFILE=$datafile
# A cell that closes the tool starts it again.
export ZR3_FM_TOOL=$tool

started=$(date +%s)
status=0
"$root/scripts/sim-tool" "$build/wineprefix" "$tool" --zr3sim "$zr3sim" --no-noise --no-drift \
    --trace "$artifacts/faultmatrix-trace.txt" -- \
    "$0" --inside "$driver" "$zr3sim" "$page" "$work" "$artifacts" "$filter" || status=$?
rm -f "$datafile"
echo "fault_matrix: $(($(date +%s) - started)) s in all"

if [ ! -s "$page" ]; then
    echo "fault_matrix: no page written" >&2
    exit 1
fi
# Only a whole matrix replaces the page kept with the sources.
if [ -z "$filter" ] && [ -d "$source/docs" ]; then
    cp "$page" "$source/docs/reliability.md"
fi
[ $status -eq 0 ] || { echo "fault_matrix: failed ($status); see $page" >&2; exit 1; }
echo "fault_matrix: passed; $page"
