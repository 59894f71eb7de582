#!/usr/bin/env bash
# A save killed at any moment (kill -9 of the program writing a large document, 100 times):
# the file on disk is always the old document or the new one, byte for byte, never torn.
#   save_killed.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/lib/setup.bash" "$@"

# The old document: a nine-table configuration with a 4 MiB description, so writing it takes
# long enough to be caught half way.
"$cli" --quiet offline --device 11 --save small.kst >/dev/null
python3 - small.kst old.kst <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
# The description is the first string: a one-byte length below 255, else 0xFF and longer forms.
n = data[0]
assert n < 255
rest = data[1 + n:]
text = (b'Site configuration. ' * 220000)[:4 * 1024 * 1024]
open(sys.argv[2], 'wb').write(b'\xff' + struct.pack('<H', 0xFFFF) + struct.pack('<I', len(text)) + text + rest)
PY
# The new document: the same with one setting changed.
"$cli" --quiet set old.kst 232CTS=1 --output=new.kst >/dev/null
cmp -s old.kst new.kst && fail "old and new documents are the same"

# How long an undisturbed save takes, in milliseconds.
start=$(date +%s%N)
cp old.kst target.kst
"$cli" --quiet set old.kst 232CTS=1 --output=target.kst >/dev/null
span=$(( ($(date +%s%N) - start) / 1000000 + 1 ))
cmp -s target.kst new.kst || fail "an undisturbed save did not write the new document"

old_seen=0; new_seen=0
for run in $(seq 100); do
  cp old.kst target.kst
  "$cli" --quiet set old.kst 232CTS=1 --output=target.kst >/dev/null 2>&1 &
  pid=$!
  sleep "$(awk -v r="$RANDOM" -v s="$span" 'BEGIN { printf "%.4f", (r % (s + 1)) / 1000 }')"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  if cmp -s target.kst old.kst; then old_seen=$((old_seen + 1))
  elif cmp -s target.kst new.kst; then new_seen=$((new_seen + 1))
  else fail "run $run: target.kst is neither the old nor the new document ($(stat -c %s target.kst) bytes)"; fi
done
echo "save_killed: 100 of 100 intact ($old_seen old, $new_seen new; an undisturbed save takes $span ms)"
