#!/usr/bin/env bash
# kestrel-cli flash after an interrupted flash: power fails while a simulated matrix reader
# stores its new application, so it restarts in its boot code, which answers the probe but
# not its identity. The next flash, with the model named, completes: the reader holds the
# file and reports the new revision.
#   cli_flash_recover.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/lib/setup.bash" "$@"

python3 "$source_dir/tests/e2e/lib/app_image.py" "$work/app60.bin" 7 060 3000 CORDED
python3 "$source_dir/tests/e2e/lib/app_image.py" "$work/app61.bin" 7 061 3000 CORDED BOOTACK

# The reader says it is storing before the power goes, so the host's wait ends 5 s after it
# fell silent rather than after the whole minute a storage may take.
start_sim r --profile 5620sr --faults power-loss,store-delay=2000 --flash-out "$work/kept.bin"
pid=$SIM_PID
pty=$SIM_PTY

if "$cli" --quiet --json --device "$pty" flash "$work/app60.bin" >"$work/cut.json" 2>"$work/err"; then
    fail "the flash cut by a power loss succeeded"
fi
python3 - "$work/cut.json" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
assert not d["ok"] and d["revisionBefore"] == 15 and d["revisionAfter"] == -1, d
PY

"$cli" --quiet --json --device "$pty" flash "$work/app61.bin" --model="Kestrel 5620 Matrix Imager" \
    >"$work/again.json" 2>"$work/err" || fail "the flash after the power loss"
python3 - "$work/again.json" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
assert d["ok"] and d["chosenByHand"], d
assert d["model"] == "Kestrel 5620 Matrix Imager" and d["revisionBefore"] == -1 and d["revisionAfter"] == 61, d
PY
stop_sim "$pid"
cmp "$work/kept.bin" "$work/app61.bin" || fail "the reader does not hold the file"
echo OK
