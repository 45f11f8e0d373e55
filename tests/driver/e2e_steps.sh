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
