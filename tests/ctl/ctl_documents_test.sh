#!/usr/bin/env bash
# The manual pages and the completion that the build printed from zr3ctl's and zr3sim's own
# tables: man -l renders them, and a known command, setting and option appear.
#   ctl_documents_test.sh GENERATED_DIR
set -uo pipefail
dir=$1
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

for page in zr3ctl zr3sim; do
    text=$(MANWIDTH=200 man -l "$dir/$page.1" 2>"$dir/$page.man-errors") || fail "man -l $page.1"
    [ -s "$dir/$page.man-errors" ] && fail "$page.1: $(cat "$dir/$page.man-errors")"
    declare "text_$page=$text"
done
for word in "restore" "relay-open-delay (converter's unit; 0 .. 65535)" "--dry-run" "ZR3_PORT" \
    "Ni1000 (6180)" "EXIT STATUS"; do
    grep -qF -- "$word" <<<"$text_zr3ctl" || fail "zr3ctl.1 lacks: $word"
done
for word in "--line-timing" "fault" "EXIT STATUS"; do
    grep -qF -- "$word" <<<"$text_zr3sim" || fail "zr3sim.1 lacks: $word"
done

complete() { # words... ; prints the offers
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
             COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}; _zr3ctl; echo "${COMPREPLY[*]}"' \
        _ "$dir/zr3ctl" "$@"
}
[ "$(complete zr3ctl -p X mon)" = "monitor" ] || fail "completion of 'mon': $(complete zr3ctl -p X mon)"
[ "$(complete zr3ctl set relay-open-)" = "relay-open-delay=" ] || fail "completion of a setting"
[ "$(complete zr3ctl table show --j)" = "--json" ] || fail "completion of a nested option"
[ "$(complete zr3ctl set sensor=Pt100)" = 'sensor=Pt100\ \(3850\) sensor=Pt1000\ \(3850\)' ] ||
    fail "completion of a sensor: $(complete zr3ctl set sensor=Pt100)"

[ "$failures" = 0 ] && echo "manual pages and completion: all checks passed"
[ "$failures" = 0 ]
