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

python3 "$(dirname "$0")/lib/hex_image.py" "$work/app.hex" 48 42
# The same image with one digit changed: its checksum no longer fits.
sed 's/^:10006000/:10006001/' "$work/app.hex" >"$work/bad.hex"

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
