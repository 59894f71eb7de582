#!/usr/bin/env bash
# kestrel-cli takes the vendor and user settings the desktop program takes: "ORVApplication"
# from Kestrel.ini decides whether radio country codes 7 and 127 are offered; the port's baud
# limits and "DTRConfiguration" from the user hive reach the port; and "detect" reports the
# link code of the reader it found.
#   cli_preferences.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/lib/setup.bash" "$@"

# --- ORVApplication ---------------------------------------------------------------------------
# The radio country code of a cordless base, as the pages offer it (a document keeps the list).
radio_codes() {
    "$cli" --quiet offline --device "$base_row" --save "$work/$1.kst" >"$work/out" 2>"$work/err" || fail "offline: $?"
    "$cli" --json open "$work/$1.kst" >"$work/$1.json" 2>"$work/err" || fail "open: $?"
    python3 - "$work/$1.json" <<'PY'
import json, sys
def find(node):
    if isinstance(node, dict):
        if node.get("tag") == "RADCOD":
            return node
        node = list(node.values())
    if isinstance(node, list):
        for item in node:
            found = find(item)
            if found:
                return found
    return None
allowed = find(json.load(open(sys.argv[1])))["allowed"]
print(" ".join(code for code in ("7", "127") if code in allowed) or "none")
PY
}
base_row=$("$cli" devices | awk '/2020 Cordless Base/ { print $1 }')
[ -n "$base_row" ] || fail "no cordless base in the catalog"
[ "$(radio_codes default)" = none ] || fail "codes 7 and 127 offered under the default ORVApplication=1"
printf '[Vendor Specific Settings]\r\nORVApplication=0\r\n' >Kestrel.ini
[ "$(radio_codes orv0)" = "7 127" ] || fail "ORVApplication=0 does not offer codes 7 and 127"
rm Kestrel.ini

# --- link code, baud limits and DTR -------------------------------------------------------------
cat >"$work/reader.profile" <<'PROFILE'
name e2e
model E2E reader
class CDevice
rev_qx QX80001005-012
rev_sw SW1.00
p_name 3800LR
link 0xDE21
line 115200 8N1
tables 1
caps none
setting BEPLVL range=0-3 default=2 values=2
PROFILE
start_sim reader --profile "$work/reader.profile"
pty=$SIM_PTY

"$cli" --quiet detect --device "$pty" >"$work/out" 2>"$work/err" || fail "detect: $?"
grep -q 'Link code: 0xDE21$' "$work/out" || fail "detect shows another link code: $(cat "$work/out")"
port=$(sed -n 's/^Connected at .*COM\([0-9]*\):.*/\1/p' "$work/out")
[ -n "$port" ] || fail "no port number in: $(cat "$work/out")"

key='Software\Orvane, Inc.\kestrel\Settings'
printf '[%s]\r\nCom%sMaxBaud=dword:57600\r\nDTRConfiguration=dword:2\r\n' "$key" "$port" >"$KESTREL_USER_HIVE"
if "$cli" --quiet detect --device "$pty" >"$work/out" 2>"$work/err"; then
    fail "a reader at 115200 was found with the port limited to 57600: $(cat "$work/out")"
fi
printf '[%s]\r\nCom%sMaxBaud=dword:115200\r\nCom%sMinBaud=dword:9600\r\nDTRConfiguration=dword:2\r\n' \
    "$key" "$port" "$port" >"$KESTREL_USER_HIVE"
"$cli" --json detect --device "$pty" >"$work/out" 2>"$work/err" || fail "detect within the limits: $?"
python3 - "$work/out" <<'PY' || fail "port settings: $(cat "$work/out")"
import json, sys
report = json.load(open(sys.argv[1]))
assert report["port"] == {"minBaud": 9600, "maxBaud": 115200, "dtrMode": 2}, report["port"]
assert report["device"]["linkCode"] == 0xDE21, report["device"]
PY
echo "ok"
