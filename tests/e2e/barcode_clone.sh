#!/usr/bin/env bash
# Cloning through paper: a reader's configuration is read and saved, printed as cloning bar
# codes (linear for the 2020bs base, Aztec for the 5620sr imager), scanned by a second reader
# of the same model, and read back: the cloned table equals the first. Then the RS-232 bar
# code: a reader on its keyboard interface cannot be found until it scans the sheet dropped
# into its scan folder.
#   barcode_clone.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/lib/setup.bash" "$@"

export SOURCE_DATE_EPOCH=1700000000

# clone PROFILE FORM: the first reader's table, through a sheet, into a second reader.
clone() {
    local profile=$1 form=$2
    start_sim "$profile-a" --profile "$profile"
    "$cli" --quiet read --device "$SIM_PTY" --save "$work/$profile-a.kst" >/dev/null 2>"$work/err" \
        || fail "$profile: read A: $(cat "$work/err")"
    "$cli" --quiet barcodes "$work/$profile-a.kst" --output="$work/$profile.pdf" --json >"$work/$profile.json" \
        2>"$work/err" || fail "$profile: barcodes: $(cat "$work/err")"
    python3 - "$work/$profile.json" "$form" <<'PY' || fail "$profile: sheet $(cat "$work/$profile.json")"
import json, sys
sheet = json.load(open(sys.argv[1]))
assert sheet["form"] == sys.argv[2], sheet["form"]
assert sheet["pages"] >= 1 and not sheet["leftOut"], sheet
assert all(c["readBack"] for c in sheet["commands"]), sheet
PY
    "$cli" --quiet verify "$work/$profile.pdf" --against="$work/$profile-a.kst" >/dev/null 2>"$work/err" \
        || fail "$profile: verify: $(cat "$work/err")"

    start_sim "$profile-b" --profile "$profile" --scan "$work/$profile.pdf"
    grep -q '^accepted' "$work/$profile-b.err" || fail "$profile: nothing scanned: $(cat "$work/$profile-b.err")"
    if grep -q '^refused' "$work/$profile-b.err"; then fail "$profile: refused scans: $(cat "$work/$profile-b.err")"; fi
    "$cli" --quiet read --device "$SIM_PTY" --save "$work/$profile-b.kst" >/dev/null 2>"$work/err" \
        || fail "$profile: read B: $(cat "$work/err")"
    "$cli" --quiet diff --json "$work/$profile-a.kst" "$work/$profile-b.kst" >"$work/diff.json" 2>/dev/null || true
    # The current table is the cloned one. SERNUM is each reader's own serial number, which
    # no bar code carries.
    python3 - "$work/diff.json" <<'PY' || fail "$profile: clone differs: $(cat "$work/diff.json")"
import json, sys
diff = json.load(open(sys.argv[1]))
left = [d for d in diff["differences"] if d.get("table", "0") in ("0", "") and d["what"] != "SERNUM"]
assert not left, left
PY
}

clone 2020bs linear
clone 5620sr aztec

# --- verify names what a sheet lacks or adds ----------------------------------------------------
status=0
"$cli" --quiet --json verify "$work/2020bs.pdf" --against="$work/5620sr-a.kst" >"$work/out" 2>/dev/null || status=$?
[ "$status" -eq 1 ] || fail "verify of the wrong sheet exited with $status"
python3 - "$work/out" <<'PY' || fail "verify mismatches: $(cat "$work/out")"
import json, sys
report = json.load(open(sys.argv[1]))
kinds = {m["kind"] for m in report["mismatches"]}
assert report["form"] == "linear" and "extra" in kinds and "missing" in kinds, report
assert any(m["command"] == "~REMOVE." for m in report["mismatches"]), report
PY
head -c 3000 "$work/2020bs.pdf" >"$work/cut.pdf"
status=0
"$cli" --quiet verify "$work/cut.pdf" >/dev/null 2>"$work/err" || status=$?
[ "$status" -eq 1 ] && [ "$(wc -l <"$work/err")" -eq 1 ] || fail "damaged sheet: $status $(cat "$work/err")"

# --- the RS-232 bar code wakes a reader on its keyboard interface ---------------------------------
mkdir "$work/scans"
start_sim keyboard --profile 5620sr --interface keyboard --scan-dir "$work/scans"
pty=$SIM_PTY
if "$cli" --quiet detect --device "$pty" >/dev/null 2>&1; then fail "a keyboard reader answered on the line"; fi
"$cli" --quiet barcodes --interface --output="$work/scans/rs232.pdf" >/dev/null 2>"$work/err" \
    || fail "interface sheet: $(cat "$work/err")"
for _ in $(seq 100); do grep -q 'accepted serial interface' "$work/scans/scan.log" 2>/dev/null && break; sleep 0.1; done
grep -q 'accepted serial interface: ~KESTRL.' "$work/scans/scan.log" || fail "not scanned: $(cat "$work/scans/scan.log" 2>&1)"
"$cli" --quiet detect --device "$pty" >"$work/out" 2>"$work/err" || fail "detect after the scan: $(cat "$work/err")"
grep -q 'Kestrel 5620 Matrix Imager' "$work/out" || fail "detect: $(cat "$work/out")"
echo "ok"
