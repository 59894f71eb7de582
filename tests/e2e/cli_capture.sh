#!/usr/bin/env bash
# kestrel-cli capture, kim, htag and monitor against the simulated imager on a pseudo-terminal:
# a picture in every form with its symbol read back, KIM -> PNG -> KIM byte for byte, the
# reader's file store over every HTag protocol, and every unasked event listed by monitor.
#   cli_capture.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/lib/setup.bash" "$@"

start_sim imager --profile 4600sr
pty=$SIM_PTY

# --- capture in every form: the picture equals the scene it showed (kestrel-sim --scene N; JPEG
# within 30 dB PSNR, 1-bit forms against the scene at the reader's threshold), and the symbol of
# the scene is read back from the gray ones. The reader numbers the pictures of its menu command
# and of its HTag packets apart: FORM:COMPARISON:NUMBER.
for capture in kim:exact:1 gray:exact:2 binary:binary:3 jpeg:psnr:4 tiff:exact:1 bmp:exact:2 g3:binary:3 \
               g4:binary:4 runs:binary:5 zlib:binary:5; do
    IFS=: read -r format comparison number <<<"$capture"
    "$cli" --quiet capture --device "$pty" --format="$format" --quality=90 --decode --json \
        --output="$work/$format.png" >"$work/out" 2>"$work/err" || fail "capture $format: $(cat "$work/err")"
    python3 - "$work/out" "$format" <<'PY' || fail "capture $format: $(cat "$work/out")"
import json, re, sys
d = json.load(open(sys.argv[1]))
assert d["code"] == 1 and d["width"] == 752 and d["height"] == 480, d
if sys.argv[2] not in ("binary", "g3", "g4", "runs", "zlib"):
    assert any(re.fullmatch(r"KESTREL \d{4}", s["text"]) for s in d["symbols"]), d
PY
    "$sim" --profile 4600sr --scene "$number" >"$work/scene.pgm" || fail "scene $number"
    python3 "$source_dir/tests/e2e/lib/compare_scene.py" "$work/$format.png" "$work/scene.pgm" "$comparison" \
        || fail "capture $format is not the scene it showed"
done

# Windowed and subsampled.
"$cli" --quiet capture --device "$pty" --format=gray --window=100,40,500,440 --subsample=2 --json \
    --output="$work/window.bmp" >"$work/out" 2>"$work/err" || fail "window: $(cat "$work/err")"
grep -q '"width":200,"height":200' "$work/out" || fail "window: $(cat "$work/out")"

# --- KIM -> PNG -> KIM is byte for byte the same ---------------------------------------------
"$cli" --quiet capture --device "$pty" --format=kim --output="$work/a.kim" >/dev/null 2>"$work/err" \
    || fail "capture kim: $(cat "$work/err")"
"$cli" kim convert "$work/a.kim" "$work/a.png" || fail "kim convert to png"
"$cli" kim convert "$work/a.png" "$work/b.kim" || fail "kim convert back"
cmp "$work/a.kim" "$work/b.kim" || fail "KIM -> PNG -> KIM changed the file"
"$cli" kim info "$work/a.png" --decode >"$work/out" || fail "kim info"
grep -q '^Size: 752 x 480$' "$work/out" || fail "kim info: $(cat "$work/out")"
grep -q 'Symbol: Code128 "KESTREL' "$work/out" || fail "kim info --decode: $(cat "$work/out")"
# The capture's facts survive a conversion from PNG to TIFF.
"$cli" --quiet capture --device "$pty" --format=gray --output="$work/facts.png" >/dev/null 2>&1 || fail "capture png"
"$cli" kim convert "$work/facts.png" "$work/facts.tif" || fail "png to tiff"
"$cli" kim info "$work/facts.tif" >"$work/out" || fail "kim info tiff"
grep -q '^Window: 0,0,751,479$' "$work/out" || fail "tiff facts: $(cat "$work/out")"
grep -q '^Format: gray$' "$work/out" || fail "tiff facts: $(cat "$work/out")"
printf '0000000' >"$work/bad.kim"
"$cli" kim info "$work/bad.kim" 2>"$work/err" && fail "a broken KIM header was accepted"
grep -q 'Corrupt KIM file header' "$work/err" || fail "bad header: $(cat "$work/err")"

# --- FILSTO then FILRET over every protocol ------------------------------------------------------
head -c 20000 /dev/urandom >"$work/file.bin"
for protocol in 2 3 4 5; do
    "$cli" --quiet htag FILSTO FILE=cfg$protocol --protocol=$protocol --input="$work/file.bin" --device "$pty" \
        >/dev/null 2>"$work/err" || fail "FILSTO P$protocol: $(cat "$work/err")"
    "$cli" --quiet htag FILRET FILE=cfg$protocol --protocol=$protocol --output="$work/back$protocol.bin" \
        --device "$pty" >/dev/null 2>"$work/err" || fail "FILRET P$protocol: $(cat "$work/err")"
    cmp "$work/file.bin" "$work/back$protocol.bin" || fail "FILRET P$protocol gave other bytes"
done
stop_sim "$SIM_PID"

# --- monitor lists every emitted event, the malformed ones with their code --------------------------
start_sim emitter --profile 4600sr --emit 'text:HELLO,actsta,trgevt,decres:CODE1,hpl,picture,bad-packet,bad-header'
"$cli" --quiet monitor --device "$SIM_PTY" --seconds=3 --json --pictures="$work/pictures" >"$work/out" 2>"$work/err" \
    || fail "monitor: $(cat "$work/err")"
python3 - "$work/out" <<'PY' || fail "monitor: $(cat "$work/out")"
import json, sys
events = [json.loads(line) for line in open(sys.argv[1]) if line.strip()]
def has(**want):
    return any(all(e.get(k) == v for k, v in want.items()) for e in events)
assert any(e["event"] == "text" and "HELLO" in e["text"] for e in events), events
for name in ("ACTSTA", "TRGEVT", "HPLSMS"):
    assert has(event="htag", name=name, code=1), name
assert has(event="htag", name="DECRES", code=1, data="CODE1")
assert has(event="picture", code=1)
assert has(event="htag", name="FILSTO", code=-8), "bad packet"
assert has(event="htag", code=19), "bad header"
PY
ls "$work/pictures"/picture-*.png >/dev/null 2>&1 || fail "monitor saved no picture"
echo "cli_capture: ok"
