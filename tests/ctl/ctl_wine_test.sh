#!/usr/bin/env bash
# zr3ctl.exe under Wine on COM1, which scripts/sim-com1 has pointed at a zr3sim started with
# --serial 7702: info, show --json and set, the version, JSON, the monitor's rows, an unknown
# command, the commissioning log and verify, with their exit statuses.
#   ctl_wine_test.sh ZR3CTL_EXE
set -uo pipefail
exe=$1
here=$(cd "$(dirname "$0")" && pwd)
wine_exec=$here/../../scripts/wine-exec
work=$(mktemp -d "${TMPDIR:-/tmp}/zr3ctl-wine.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0

# Output through files: a pipe would wait for the Wine server that the first call starts.
ctl() { # expected-status name args...
    local expected=$1 name=$2 status=0
    shift 2
    "$wine_exec" "$exe" -p COM1 "$@" >"$work/$name.out" 2>"$work/$name.err" || status=$?
    tr -d '\r' <"$work/$name.out" >"$work/$name.txt"
    if [ "$status" != "$expected" ]; then
        echo "FAIL: zr3ctl $* exited with $status, not $expected" >&2
        cat "$work/$name.err" >&2
        failures=$((failures + 1))
    fi
}

expect() { # name pattern
    if ! grep -q -- "$2" "$work/$1.txt"; then
        echo "FAIL: $1 lacks: $2" >&2
        cat "$work/$1.txt" >&2
        failures=$((failures + 1))
    fi
}

ctl 0 info info
expect info '^identity *ZR3$'
expect info '^serial-number *7702$'

ctl 0 show show --json
expect show '"serial-number": 7702'
expect show '"input-damping": 5'
expect show '"sensor": "Pt100 (3850)"'

ctl 0 set set input-damping=9 coefficient=2.5 "sensor=Ni1000 (5000)"
expect set '^input-damping=9$'
expect set '^coefficient=2.5$'
expect set '^sensor=Ni1000 (5000)$'
ctl 0 after show --json
expect after '"input-damping": 9'
expect after '"coefficient": 2.5'
expect after '"sensor": "Ni1000 (5000)"'

ctl 2 refused set input-damping=31

ctl 0 version --version
expect version '^zr3ctl [0-9]'
ctl 0 setjson set input-damping=9 --json
expect setjson '"answered": 9'
ctl 0 monitor monitor --count 2 --interval 0.2 --csv
expect monitor '^time,resistance \[ohm\],'
expect monitor '^[0-9-]*T[0-9:]*[+-][0-9][0-9]:[0-9][0-9],[0-9.]*,.*,ok$'
ctl 2 unknown shwo
if ! tr -d '\r' <"$work/unknown.err" | grep -q "unknown command 'shwo'; did you mean 'show'"; then
    echo "FAIL: unknown command: $(cat "$work/unknown.err")" >&2
    failures=$((failures + 1))
fi
# A calibration no one can confirm, or with an implausible normal, is refused before it measures.
ctl 2 unconfirmed calibrate probe --normal 1413
ctl 2 implausible calibrate probe --normal -1413 --yes
ctl 0 damping show --json
expect damping '"input-damping": 9'

# The commissioning log (LockFileEx, FlushFileBuffers) and verify against a backup.
ctl 0 backup backup "Z:$work/master.json"
ctl 0 verified verify "Z:$work/master.json"
expect verified '^the converter 7702 equals '
ctl 0 logged --log "Z:$work/commissioning.log" set input-damping=4
tr -d '\r' <"$work/commissioning.log" >"$work/log.txt"
expect log '"step":"before".*"setting":"input-damping","before":9,"asked":4'
expect log '"step":"write".*"read-back":4,"outcome":"written"'
expect log '"step":"end"'
if ! python3 -c 'import json, sys; [json.loads(l) for l in open(sys.argv[1])]' "$work/log.txt"; then
    echo "FAIL: a log line is no JSON" >&2
    failures=$((failures + 1))
fi
ctl 1 differs verify "Z:$work/master.json"
expect differs '^input-damping: file 9, converter 4$'
if [ "$failures" = 0 ]; then
    echo "zr3ctl under Wine: all checks passed"
fi
[ "$failures" = 0 ]
