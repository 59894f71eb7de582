#!/usr/bin/env bash
# kestrel-cli detect, read and write against kestrel-sim on a pseudo-terminal: the reader is
# found by the rate scan, its settings are listed, a write is reported as written and read
# back, and refused commands are listed by kind.
#   cli_device_rw.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/lib/setup.bash" "$@"

# Pseudo-terminals keep 8 data bits without parity, so the reader speaks 8N1.
cat >"$work/test.profile" <<'PROFILE'
name e2e
model E2E reader
class CDevice
rev_qx QX80001005-012
rev_sw SW1.00
p_name 3800LR
link 0xCE31
line 38400 8N1
tables 1
caps none
setting BEPLVL range=0-3 default=2 values=2
setting C39ENA range=0-1 default=1 values=1
setting SCNLED range=HIGH|LOW|OFF| default=HIGH values=LOW
PROFILE

start_sim sim --profile "$work/test.profile"
pty=$SIM_PTY

# --- detect -----------------------------------------------------------------------------------
"$cli" --quiet detect --device "$pty" >"$work/out" 2>"$work/err" || fail "detect: $(cat "$work/err")"
grep -q '^Connected at .*:38400,N,8,1$' "$work/out" || fail "detect: $(cat "$work/out")"
grep -q 'Base number: 80001005  Revision: 12  Product id: 3800LR' "$work/out" || fail "identity: $(cat "$work/out")"
"$cli" detect --json --device "$pty" >"$work/out" 2>"$work/err" || fail "detect --json"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d["device"]["baseNumber"]=="80001005", d' "$work/out" \
    || fail "detect --json: $(cat "$work/out")"

# --- read -------------------------------------------------------------------------------------
"$cli" --quiet read --device "$pty" >"$work/out" 2>"$work/err" || fail "read: $(cat "$work/err")"
grep -q '^BEPLVL  2 .* 0-3 .* 2$' "$work/out" || fail "read: $(cat "$work/out")"
grep -q '^SCNLED  LOW .*HIGH|LOW|OFF' "$work/out" || fail "read list: $(cat "$work/out")"

# --- write ------------------------------------------------------------------------------------
"$cli" --quiet write --device "$pty" BEPLVL=3 >"$work/out" 2>"$work/err" || fail "write: $(cat "$work/out" "$work/err")"
grep -qx 'Changes successfully written to the device.' "$work/out" || fail "write: $(cat "$work/out")"
"$cli" --json read --device "$pty" >"$work/out" 2>"$work/err" || fail "read after write"
python3 - "$work/out" <<'PY' || fail "value not written: $(cat "$work/out")"
import json, sys
d = json.load(open(sys.argv[1]))
values = {s["tag"]: s["values"] for s in d["settings"]}
assert values["BEPLVL"] == ["3"], values
PY

status=0
"$cli" --quiet write --device "$pty" NOSUCH=1 C39ENA=7 >"$work/out" 2>"$work/err" || status=$?
[ "$status" -eq 1 ] || fail "refused write exited with $status"
grep -q '^ERROR - Not all changes were written' "$work/out" || fail "no error message: $(cat "$work/out")"
python3 - "$work/out" <<'PY' || fail "lists: $(cat "$work/out")"
import sys
text = open(sys.argv[1]).read()
known, rng = text.split("Commands which are not known in the device:")[1].split("Commands which are out of range:")
assert "NOSUCH" in known and "C39ENA" not in known, known
assert "C39ENA" in rng.split("Commands which had no response")[0], rng
PY
echo "ok"
