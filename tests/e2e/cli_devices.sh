#!/usr/bin/env bash
# kestrel-cli devices: lists the shipped catalog, and ends with the start-up message and
# status 2 when a data file is missing or corrupt.
#   cli_devices.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/lib/setup.bash" "$@"

# --- the shipped catalog ------------------------------------------------------------------
"$cli" devices >"$work/out" 2>"$work/err" || fail "devices exited with $?"
[ ! -s "$work/err" ] || fail "devices wrote to stderr: $(cat "$work/err")"
head -1 "$work/out" | grep -q '^ROW *DEVICEID *PRODUCT NAME *BASE *RUNTIME CLASS *LINEAR *CTS$' \
    || fail "unexpected header: $(head -1 "$work/out")"

# Every visible row once, no hidden row, sorted by product name.
visible=$(grep -v '//' "$source_dir/data/QXDevFil.dat" | sed -e ':a' -e '/\\$/N; s/\\\n *//; ta' \
    | awk -F, 'NF >= 8 && toupper($7) == "Y"' | wc -l)
listed=$(($(wc -l <"$work/out") - 1))
[ "$visible" -eq "$listed" ] || fail "listed $listed rows, the catalog has $visible visible rows"
grep -q 'Kestrel 3800 Linear Imager  *80001005 *CDevice *yes *no$' "$work/out" || fail "3800 row missing"
grep -q 'CMatrixRFBaseDevice' "$work/out" || fail "matrix cordless base missing"
if grep -q 'Generic' "$work/out"; then fail "a hidden row is listed"; fi
tail -n +2 "$work/out" | cut -c15- | awk '{print tolower($0)}' >"$work/names"
LC_ALL=C sort -c "$work/names" || fail "rows are not sorted by product name"

# --all adds the hidden rows.
all=$("$cli" devices --all | tail -n +2 | wc -l)
[ "$all" -gt "$listed" ] || fail "--all lists no hidden rows"

# --json is JSON and carries the same rows.
"$cli" devices --json >"$work/json"
if command -v python3 >/dev/null; then
    python3 - "$work/json" "$listed" <<'PY' || fail "--json output"
import json, sys
data = json.load(open(sys.argv[1]))
rows = data["devices"]
assert len(rows) == int(sys.argv[2]), len(rows)
classes = {r["runtimeClass"] for r in rows}
assert len(classes) == 7, classes
first = rows[0]
for key in ("row", "deviceId", "productName", "baseNumber", "runtimeClass", "linear", "cts"):
    assert key in first, key
assert all(r["visible"] for r in rows)
PY
else
    grep -q '"devices":\[{"row":' "$work/json" || fail "--json output"
fi

# --- broken data folders ------------------------------------------------------------------
expect_failure() { # name, expected message
    local status=0
    "$cli" devices --data "$work/data" >"$work/out" 2>"$work/err" || status=$?
    [ "$status" -eq 2 ] || fail "$1: exit status $status, expected 2"
    [ ! -s "$work/out" ] || fail "$1: printed rows"
    printf '%s\n' "$2" >"$work/expected"
    cmp -s "$work/err" "$work/expected" || fail "$1: message was '$(cat "$work/err")', expected '$2'"
}
fresh_data() { rm -rf "$work/data"; cp -r "$source_dir/data" "$work/data"; }

fresh_data
"$cli" devices --data "$work/data" >/dev/null || fail "copied data folder does not load"

d="$work/data/"
fresh_data; rm "$work/data/TabFile.Dat"
expect_failure "tab file missing" "Cannot open tab data file: ${d}TabFile.Dat. Please contact program vendor"

fresh_data; echo "BROKEN,Page,Caption" >>"$work/data/TabFile.Dat"
expect_failure "tab file corrupt" "The data file: ${d}TabFile.Dat is corrupt. Please contact program vendor"

fresh_data; printf '// no rows\n' >"$work/data/TabFile.Dat"
expect_failure "tab file empty" "There is no data in the tab data file: ${d}TabFile.Dat. Please contact program vendor"

fresh_data; rm "$work/data/QXDevFil.dat"
expect_failure "catalog missing" "The device data file is corrupt or not found: ${d}QXDevFil.dat. Please contact program vendor."

fresh_data; echo "99,Half a row,QX1" >>"$work/data/QXDevFil.dat"
expect_failure "catalog corrupt" "The device data file is corrupt or not found: ${d}QXDevFil.dat. Please contact program vendor."

fresh_data; rm "$work/data/QXDevFil.dat" "$work/data/TabFile.Dat"
expect_failure "both missing" "The following files:
${d}QXDevFil.dat
${d}TabFile.Dat 
are either corrupt or not found. Please contact program vendor."

# --- command line -------------------------------------------------------------------------
status=0; "$cli" frobnicate >/dev/null 2>&1 || status=$?
[ "$status" -eq 3 ] || fail "unknown command gave $status"
status=0; "$cli" devices --bogus >/dev/null 2>&1 || status=$?
[ "$status" -eq 3 ] || fail "unknown option gave $status"
# Through a file: with pipefail, grep -q ending the pipe early would fail the writer.
"$cli" --help >"$work/help" || fail "--help exited with $?"
grep -q 'devices' "$work/help" || fail "--help does not list devices"

echo "cli_devices: all checks passed"
