#!/usr/bin/env bash
# kestrel-cli flash with several --device options: three simulated readers flashed at once
# take no longer than one (within 1.3x), each holds the file and reports the new revision;
# a reader that never answers, or a flash process killed half way, fails that port alone
# and the exit status; a reader that answers but cannot identify itself is flashed once
# its model is named.
#   cli_flash_fleet.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/lib/setup.bash" "$@"

python3 "$source_dir/tests/e2e/lib/hex_image.py" "$work/app.hex" 64 42
now() { date +%s.%N; }

# The readers answer at their line's pace, so the time is the line's and not the machine's.
for n in 0 1 2 3; do
    start_sim "r$n" --profile 3800lr --pace --flash-out "$work/kept$n.hex"
    eval "pid$n=$SIM_PID pty$n=$SIM_PTY"
done

# One reader alone, then three at once.
t0=$(now)
"$cli" --quiet --json --device "$pty0" flash "$work/app.hex" >"$work/one.json" 2>"$work/err" || fail "one reader"
t1=$(now)
"$cli" --quiet --json --device "$pty1" --device "$pty2" --device "$pty3" flash "$work/app.hex" \
    >"$work/three.json" 2>"$work/err" || fail "three readers"
t2=$(now)
python3 - "$work/three.json" "$pty1" "$pty2" "$pty3" "$t0" "$t1" "$t2" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
ports = sys.argv[2:5]
assert d["ok"] and not d["dryRun"] and d["file"].endswith("app.hex"), d
assert [r["port"] for r in d["readers"]] == ports, d
for r in d["readers"]:
    assert r["ok"] and r["exitStatus"] == 0, r
    assert r["model"] == "Kestrel 3800 Linear Imager", r
    assert r["revisionBefore"] == 12 and r["revisionAfter"] == 42, r
    assert r["result"] == "Successfully flashed app.hex", r
t0, t1, t2 = map(float, sys.argv[5:8])
one, three = t1 - t0, t2 - t1
print(f"one reader {one:.2f} s, three at once {three:.2f} s ({three / one:.2f}x)")
assert three <= 1.3 * one, "three readers took more than 1.3x the time of one"
PY
for n in 0 1 2 3; do
    pid_var=pid$n
    stop_sim "${!pid_var}"
    cmp "$work/kept$n.hex" "$work/app.hex" || fail "reader $n does not hold the file"
done

# A reader that never answers fails its own line of the summary and the exit status only.
start_sim good1 --profile 3800lr
good1=$SIM_PTY
start_sim good2 --profile 3800lr
good2=$SIM_PTY
start_sim deaf --profile 3800lr --faults silent
deaf=$SIM_PTY
if "$cli" --device "$good1" --device "$deaf" --device "$good2" flash "$work/app.hex" >"$work/fault.txt" 2>"$work/err"; then
    fail "a fleet with a silent reader succeeded"
fi
cat "$work/fault.txt"
grep -Eq "^$good1 +Kestrel 3800 Linear Imager +12 -> 42 .* Successfully flashed app.hex$" "$work/fault.txt" \
    || fail "first good reader's line"
grep -Eq "^$good2 +Kestrel 3800 Linear Imager +12 -> 42 .* Successfully flashed app.hex$" "$work/fault.txt" \
    || fail "second good reader's line"
grep -Eq "^$deaf +\? -> \? .* FAILED: No Device Detected\.  Cancelling Firmware Load\.$" "$work/fault.txt" \
    || fail "the silent reader's line"
grep -qx "2 of 3 readers flashed" "$work/fault.txt" || fail "count line"
grep -q "^$good1: Writing app.hex to device.$" "$work/err" || fail "the children's messages carry their port"

# A flash process killed half way is a failure of that port, named by its signal.
"$cli" --quiet --json --device "$good1" --device "$good2" flash "$work/app.hex" >"$work/killed.json" 2>"$work/err" &
fleet=$!
victim=
for _ in $(seq 100); do
    for child in $(cat "/proc/$fleet/task/"*/children 2>/dev/null); do
        if tr '\0' ' ' <"/proc/$child/cmdline" 2>/dev/null | grep -q -- "--device $good2 "; then victim=$child; fi
    done
    [ -n "$victim" ] && break
    sleep 0.05
done
[ -n "$victim" ] || fail "no flash process for $good2"
kill -KILL "$victim"
if wait "$fleet"; then fail "a fleet with a killed flash succeeded"; fi
python3 - "$work/killed.json" "$good1" "$good2" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
first, second = d["readers"]
assert not d["ok"], d
assert first["port"] == sys.argv[2] and first["ok"], first
assert second["port"] == sys.argv[3] and not second["ok"] and second["signal"] == 9, second
assert second["result"].startswith("Failed: the flash of this port was ended by signal 9"), second
PY

# A dry run checks every reader and changes none; a corrupt file is refused before any reader.
"$cli" --quiet --device "$good1" --device "$good2" flash "$work/app.hex" --dry-run >"$work/dry.txt" 2>"$work/err" \
    || fail "fleet dry run"
grep -Eq "^$good1 +Kestrel 3800 Linear Imager +42 .* Dry run: " "$work/dry.txt" || fail "dry run line"
grep -qx "2 of 2 readers passed every check" "$work/dry.txt" || fail "dry run count"
sed 's/^:10006000/:10006001/' "$work/app.hex" >"$work/bad.hex"
if "$cli" --quiet --device "$good1" --device "$good2" flash "$work/bad.hex" >"$work/bad.txt" 2>"$work/err"; then
    fail "a corrupt file was flashed"
fi
grep -q "^Result: The selected file is corrupt" "$work/bad.txt" && grep -qx "No reader was touched" "$work/bad.txt" \
    || fail "corrupt file refusal"

# Repeated readers are for flash only, and one port named twice is refused.
set +e
"$cli" --device "$good1" --device "$good2" detect >/dev/null 2>"$work/err"; [ $? -eq 3 ] || fail "detect took two readers"
"$cli" --device "$good1" --device "$good1" flash "$work/app.hex" >/dev/null 2>"$work/err"; [ $? -eq 3 ] || fail "one port twice"
set -e
"$cli" --help | grep -q "flash takes --port and --device more than once" || fail "usage text"

# Recovery: a reader that answers the probe but not its identity (as one left in its loader
# or boot code) is found once its model is named, and the flash completes.
start_sim lost --profile 3800lr --faults nak-next=3 --flash-out "$work/lost.hex"
lost_pid=$SIM_PID
"$cli" --quiet --json --device "$SIM_PTY" flash "$work/app.hex" --model="kestrel 3800 linear imager" \
    >"$work/lost.json" 2>"$work/err" || fail "recovery flash"
python3 - "$work/lost.json" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
assert d["ok"] and d["chosenByHand"] and d["revisionBefore"] == -1 and d["revisionAfter"] == 42, d
PY
stop_sim "$lost_pid"
cmp "$work/lost.hex" "$work/app.hex" || fail "the recovered reader does not hold the file"
echo OK
