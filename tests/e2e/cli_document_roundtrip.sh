#!/usr/bin/env bash
# kestrel-cli document commands against two kestrel-sim readers on pseudo-terminals: the first
# reader's configuration is saved, changed offline (with the pages' range check), compared,
# applied to the second reader and read back from it.
#   cli_document_roundtrip.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/lib/setup.bash" "$@"

# Pseudo-terminals keep 8 data bits without parity, so the readers speak 8N1.
cat >"$work/reader.profile" <<'PROFILE'
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
setting C39ENA range=0-1 default=1 values=1
setting C39MIN range=0-48 default=0 values=0
setting TRGSTO range=0-300000 default=30000 values=30000
setting BEPVOL range=0|1|2|3| default=3 values=3
PROFILE

start_sim sim1 --profile "$work/reader.profile"
first=$SIM_PTY
start_sim sim2 --profile "$work/reader.profile"
second=$SIM_PTY

# --- save the first reader ------------------------------------------------------------------
"$cli" --device "$first" --quiet read --save "$work/a.kst" >"$work/out" 2>"$work/err" || fail "read --save: $?"
grep -q "^Saved [0-9]* settings to $work/a.kst" "$work/out" || fail "read --save said: $(cat "$work/out")"
"$cli" open "$work/a.kst" >"$work/out" 2>"$work/err" || fail "open: $?"
grep -q '^  TRGSTO = 30000$' "$work/out" || fail "open does not show TRGSTO"

# --- change it offline ------------------------------------------------------------------------
cp "$work/a.kst" "$work/b.kst"
if "$cli" set "$work/b.kst" TRGSTO=300001 >"$work/out" 2>"$work/err"; then fail "set took a value out of range"; fi
grep -q 'Please enter a value between 0 and 300000' "$work/err" || fail "no range message: $(cat "$work/err")"
cmp -s "$work/a.kst" "$work/b.kst" || fail "a refused set changed the file"
"$cli" set "$work/b.kst" TRGSTO=12345 C39ENA=0 BEPVOL=1 >"$work/out" 2>"$work/err" || fail "set: $?"

if "$cli" diff "$work/a.kst" "$work/b.kst" >"$work/out" 2>"$work/err"; then fail "diff found no difference"; fi
grep -q 'TRGSTO *30000 -> 12345' "$work/out" || fail "diff: $(cat "$work/out")"
grep -q 'C39ENA *1 -> 0' "$work/out" || fail "diff misses C39ENA: $(cat "$work/out")"
[ "$(grep -c -- '->' "$work/out")" -eq 3 ] || fail "diff lists more than the three changes: $(cat "$work/out")"

# --- apply to the second reader and read it back ------------------------------------------------
"$cli" --device "$second" --quiet apply "$work/b.kst" >"$work/out" 2>"$work/err" || fail "apply: $?"
grep -q 'Changes successfully written to the device.' "$work/err" || fail "apply did not report success"
"$cli" --device "$second" --quiet read --save "$work/c.kst" >"$work/out" 2>"$work/err" || fail "read back: $?"
"$cli" --json diff "$work/b.kst" "$work/c.kst" >"$work/out" 2>"$work/err" || true
python3 - "$work/out" <<'PY' || fail "second reader differs: $(cat "$work/out")"
import json, sys
report = json.load(open(sys.argv[1]))
changed = [d for d in report["differences"] if d["what"] in ("TRGSTO", "C39ENA", "BEPVOL")]
assert not changed, changed
PY

# --- pages of a document and of a catalog model ------------------------------------------------
"$cli" --json pages "$work/b.kst" >"$work/out" 2>"$work/err" || fail "pages: $?"
python3 - "$work/out" <<'PY' || fail "pages JSON: $(head -c 300 "$work/out")"
import json, sys
pages = json.load(open(sys.argv[1]))["pages"]
assert pages and all(p["controls"] for p in pages)
ids = [c["id"] for p in pages for c in p["controls"]]
assert ids == list(range(1010, 1010 + len(ids)))
PY
"$cli" --device 3 --quiet offline --save "$work/offline.kst" >"$work/out" 2>"$work/err" || fail "offline --save: $?"
"$cli" pages "$work/offline.kst" >"$work/out" 2>"$work/err" || fail "pages of the offline document: $?"
grep -q '^Page "Communications"' "$work/out" || fail "offline pages: $(head -3 "$work/out")"
echo "cli_document_roundtrip: ok"
