#!/usr/bin/env bash
# kestrel-cli flash against simulated readers: a hex image goes in record by record, the reader
# comes back with the image's revision and holds exactly the file; --dry-run checks and
# changes nothing; a corrupt file is refused before the reader is touched.
#   cli_flash.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
cli="$build/kestrel-cli"
sim="$build/kestrel-sim"
work=$(mktemp -d)
source "$(dirname "$0")/lib/simulators.bash"
cleanup() { stop_all_sims; rm -rf "$work"; }
trap cleanup EXIT
export KESTREL_USER_HIVE="$work/user.hive" KESTREL_MACHINE_HIVE="$work/machine.hive"
export KESTREL_USER_PROFILE="$work/profile.ini" KESTREL_PORT_REGISTRY="$work/ports"
fail() { echo "FAIL: $*" >&2; [ -f "$work/err" ] && cat "$work/err" >&2; exit 1; }

python3 - "$work" <<'PY'
import sys
def line(kind, address, data):
    fields = bytes([len(data), address >> 8, address & 255, kind]) + data
    return ":" + (fields + bytes([-sum(fields) & 255])).hex().upper() + "\r\n"
text = line(4, 0, b"\x00\x01")
for i in range(48):
    text += line(0, i * 16, b"KSTREV=042......" if i == 5 else bytes([0x16 + i]) * 16)
text += ":00000001FF\r\n"
open(sys.argv[1] + "/app.hex", "w", newline="").write(text)
# The same image with one digit changed: its checksum no longer fits.
bad = text.replace(":10006000", ":10006001", 1)
open(sys.argv[1] + "/bad.hex", "w", newline="").write(bad)
PY

start_sim r1 --profile 3800lr --flash-out "$work/kept.hex"
pty=$SIM_PTY
pid=$SIM_PID

# Dry run: every check passes, nothing is written.
"$cli" --quiet --json --device "$pty" flash "$work/app.hex" --dry-run >"$work/dry.json" 2>"$work/err" || fail "dry run"
python3 -c "import json,sys; d=json.load(open(sys.argv[1])); assert d['ok'] and d['dryRun'] and d['revisionBefore']==12, d" "$work/dry.json"

# A corrupt file is refused and the reader keeps its revision.
if "$cli" --quiet --json --device "$pty" flash "$work/bad.hex" >"$work/bad.json" 2>"$work/err"; then fail "corrupt file flashed"; fi
python3 - "$work/bad.json" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
assert not d["ok"] and d["result"] == "Failed to flash bad.hex into device\r\nThe selected file is corrupt", d
assert d["revisionAfter"] == 12, d
PY

# The real flash.
"$cli" --quiet --json --device "$pty" flash "$work/app.hex" >"$work/flash.json" 2>"$work/err" || fail "flash"
python3 - "$work/flash.json" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
assert d["ok"] and d["result"] == "Successfully flashed app.hex", d
assert d["model"] == "Kestrel 3800 Linear Imager" and d["revisionBefore"] == 12 and d["revisionAfter"] == 42, d
assert d["type"] == "hex" and d["bytes"] > 0, d
PY
"$cli" --quiet --device "$pty" flash "$work/app.hex" >"$work/flash.txt" 2>"$work/err" || fail "text flash"
grep -q "^Result: Successfully flashed app.hex" "$work/flash.txt" || fail "no result line"
stop_sim "$pid"
cmp "$work/kept.hex" "$work/app.hex" || fail "the reader does not hold the file"
echo OK
