#!/usr/bin/env bash
# kestrel-cli firmware info: what a hex file or binary image is, its description file, and
# exit 1 for a file a flash would refuse. No reader is involved.
#   cli_firmware_info.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
cli="$build/kestrel-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export KESTREL_USER_HIVE="$work/user.hive" KESTREL_MACHINE_HIVE="$work/machine.hive"
fail() { echo "FAIL: $*" >&2; exit 1; }

printf ':020000040001F9\r\n:0400000001020304F2\r\n:020004000506EF\r\n:00000001FF\r\n' >"$work/app.hex"
printf 'GENERAL DESCRIPTION:  Test firmware \r\nPRODUCT NAME: 3800LR\r\nSW REV: 12.05\r\nDATE: 2026-12-01\r\n' >"$work/APP.doc"
"$cli" --json firmware info "$work/app.hex" >"$work/out.json" || fail "good hex refused"
python3 - "$work/out.json" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
assert d["type"] == "hex" and d["accepted"], d
assert d["records"] == 4 and d["dataBytes"] == 6, d
assert d["ranges"] == [{"first": "0x00010000", "last": "0x00010005"}], d["ranges"]
assert d["doc"] == {"found": True, "description": "Test firmware", "product": "3800LR",
                    "revision": "12.05", "date": "2026-12-01"}, d["doc"]
PY

# One digit changed: the checksum no longer fits, and the whole file is refused.
sed 's/01020304F2/01020305F2/' "$work/app.hex" >"$work/bad.hex"
if "$cli" firmware info "$work/bad.hex" >"$work/out.txt"; then fail "corrupt hex accepted"; fi
grep -q "Refused: The selected file is corrupt" "$work/out.txt" || fail "no refusal text"
grep -q "File Description: No doc file available for this hex file" "$work/out.txt" || fail "no default text"

# A binary application image: signature, a mask naming device types 5 and 9, two keywords.
python3 - "$work/app.BIN" <<'PY'
import struct, sys
body = b"\0" * 100 + b"MATRIXAPP\0\0\0DEVICETYPE\0\0" + struct.pack("<I", 2) + bytes([0x10, 0x01])
body += struct.pack("<II", 0xFFFFFFFF, 2)
for k in (b"RFBASE", b"RAMONLY"):
    body += struct.pack("<I", len(k) + 1) + k + b"\0"
open(sys.argv[1], "wb").write(body + b"\xAA" * 256)
PY
"$cli" --json firmware info "$work/app.BIN" >"$work/bin.json" || fail "good image refused"
python3 - "$work/bin.json" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
assert d["type"] == "application" and d["accepted"], d
assert d["deviceTypes"] == [5, 9] and d["keywords"] == ["RFBASE", "RAMONLY"], d
assert d["kind"] == 2 and d["kindMask"] == 34 and d["signatureOffset"] == 100, d
PY

# An image without a signature, and a folder, are refused.
head -c 300 /dev/zero >"$work/none.axf"
if "$cli" firmware info "$work/none.axf" >/dev/null; then fail "image without signature accepted"; fi
if "$cli" firmware info "$work" >"$work/dir.txt"; then fail "folder accepted"; fi
grep -q "Refused: Error reading $work" "$work/dir.txt" || fail "folder: no Error reading"
echo OK
