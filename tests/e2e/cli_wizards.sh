#!/usr/bin/env bash
# kestrel-cli's rule commands against kestrel-sim: a configuration read from the reader is
# edited with "prefix", "format" and "set", applied, and every scan on the reader ("scan CODE
# TEXT" on its standard input) sends exactly what "preview" says, on the line and on the
# auxiliary port. A refused edit leaves the file as it was.
#   cli_wizards.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
cli="$build/kestrel-cli"
sim="${KESTREL_SIM:-$build/kestrel-sim}"
work=$(mktemp -d)
source "$(dirname "$0")/lib/simulators.bash"
cleanup() { exec 7>&- 2>/dev/null || true; stop_all_sims; rm -rf "$work"; }
trap cleanup EXIT

export KESTREL_USER_HIVE="$work/user.hive" KESTREL_MACHINE_HIVE="$work/machine.hive"
export KESTREL_USER_PROFILE="$work/profile.ini" KESTREL_PORT_REGISTRY="$work/ports"
fail() { echo "FAIL: $*" >&2; [ -f "$work/err" ] && cat "$work/err" >&2; exit 1; }

# The reader's standard input stays open for the whole script: scans are written to it.
mkfifo "$work/scans"
exec 7<>"$work/scans"
# Started here rather than with start_sim: a background command only keeps a standard input
# that its own redirection names.
"$sim" --profile 5820rules <"$work/scans" >"$work/rules.out" 2>"$work/rules.err" &
sim_pids+=("$!")
for _ in $(seq 300); do [ -s "$work/rules.out" ] && break; sleep 0.1; done
pty=$(head -n 1 "$work/rules.out")
[ -c "$pty" ] || fail "no pseudo-terminal from kestrel-sim: $(cat "$work/rules.err")"

"$cli" --device "$pty" --quiet read --save "$work/a.kst" >"$work/out" 2>"$work/err" || fail "read --save: $?"
"$cli" --quiet rules "$work/a.kst" >"$work/out" 2>"$work/err" || fail "rules: $?"
grep -q "Symbology 5A" "$work/out" || fail "an unknown symbology code is not kept as a name"
# Without a file the preview reads the reader on the port, and says what it could not use.
"$cli" --device "$pty" --quiet preview "5A=x" >"$work/out" 2>"$work/err" || fail "preview on the reader: $?"
grep -q 'skipped a block piece that is no record: PREBK2 (table 0): "6"' "$work/err" || fail "the fragment was not reported"
grep -q "host 41780d" "$work/out" || fail "preview on the reader: $(cat "$work/out")"

# --- edits ----------------------------------------------------------------------------------
# A typed block value replaces the table's prefixes; the editor commands work on the result.
"$cli" --quiet set "$work/a.kst" "PREBK2=6258|5A41|" --output="$work/b.kst" >/dev/null 2>"$work/err" || fail "set PREBK2"
"$cli" --quiet prefix "$work/b.kst" "Code 128" "<" >/dev/null 2>"$work/err" || fail "prefix"
"$cli" --quiet prefix "$work/b.kst" "Code 128" "[ CR][ LF]" --suffix >/dev/null 2>"$work/err" || fail "suffix"
"$cli" --quiet format "$work/b.kst" delete 63 >/dev/null 2>"$work/err" || fail "format delete"
"$cli" --quiet format "$work/b.kst" add --symbology="Code 128" --commands="{F2}02-{EB}{F1}!{EB}" \
    >/dev/null 2>"$work/err" || fail "format add"
# The new format goes in front of the EF one, which applies to every symbology.
"$cli" --quiet format "$work/b.kst" up 64 >/dev/null 2>"$work/err" || fail "format up"
"$cli" --quiet --json rules "$work/b.kst" >"$work/rules.json" 2>"$work/err" || fail "rules --json"
python3 - "$work/rules.json" <<'PY' || fail "the edits are not in the lists"
import json, sys
rules = json.load(open(sys.argv[1]))
rows = {r["symbology"]: r for r in rules["prefixSuffix"]}
assert rows["Code 39"]["prefix"] == "X", rows
assert rows["Code 128"]["prefix"] == "<" and rows["Code 128"]["suffix"] == "[ CR][ LF]", rows
assert rules["formats"][62]["commands"] == "{F2}02-{EB}{F1}!{EB}", rules["formats"][62]
assert rules["values"]["DFM_EN"] == "1"
PY

# Refused edits exit 1 and leave the file alone.
before=$(md5sum <"$work/b.kst")
for refused in "format $work/b.kst add --commands={F5}5" "format $work/b.kst add --commands={F7}{F7}{F7}{F7}{F7}{F7}" \
               "format $work/b.kst add --length=10000" "prefix $work/b.kst NoSuchCode x" "format $work/b.kst edit 99"; do
    set +e
    # shellcheck disable=SC2086
    "$cli" --quiet $refused >/dev/null 2>"$work/err"
    status=$?
    set -e
    [ "$status" = 1 ] || fail "$refused: exit $status, not 1"
    [ "$(md5sum <"$work/b.kst")" = "$before" ] || fail "$refused changed the file"
done

# --- apply, then scan ----------------------------------------------------------------------------
"$cli" --device "$pty" --quiet apply "$work/b.kst" >"$work/out" 2>"$work/err" || fail "apply: $?"
"$cli" --device "$pty" --quiet read --save "$work/c.kst" >/dev/null 2>"$work/err" || fail "read back"
"$cli" --quiet --json rules "$work/c.kst" >"$work/read.json" 2>"$work/err" || fail "rules of the read-back"
grep -q '"symbology":"Code 39","row":"[^"]*","prefix":"X"' "$work/read.json" || fail "PREBK2 set with set did not survive apply"

cat >"$work/samples" <<'SAMPLES'
62=1234AA5678
6A=ABCDEF
6A=Z
5A=x
65=12
SAMPLES
"$cli" --quiet --json preview "$work/b.kst" --samples="$work/samples" >"$work/preview.json" 2>"$work/err" \
    || fail "preview: $?"

python3 - "$pty" "$work/preview.json" "$work/samples" "$work/scans" "$work/rules.out" <<'PY' || fail "a scan differs from its preview"
import json, os, select, sys, termios, time
pty, previews, samples, scans, out = sys.argv[1:]
expected = json.load(open(previews))
lines = [l.strip() for l in open(samples) if l.strip()]
fd = os.open(pty, os.O_RDWR | os.O_NOCTTY)
attrs = termios.tcgetattr(fd)
attrs[0] = attrs[1] = attrs[3] = 0
attrs[2] = termios.CS8 | termios.CREAD | termios.CLOCAL
attrs[4] = attrs[5] = termios.B57600
termios.tcsetattr(fd, termios.TCSANOW, attrs)
writer = os.open(scans, os.O_WRONLY)
for line, want in zip(lines, expected):
    code, text = line.split("=", 1)
    done = len(open(out).read().split("scanned\n")) - 1
    os.write(writer, f"scan {code} {text}\n".encode())
    got, end = b"", time.time() + 10
    while time.time() < end:
        if len(open(out).read().split("scanned\n")) - 1 > done:
            break
        time.sleep(0.05)
    end = time.time() + 0.5
    while time.time() < end:
        ready, _, _ = select.select([fd], [], [], 0.05)
        if ready:
            got += os.read(fd, 4096)
    if got.hex() != want["host"]:
        sys.exit(f"{line}: the reader sent {got.hex()!r}, the preview says {want['host']!r}")
    aux = [l[4:] for l in open(out).read().split("scanned\n")[done].splitlines() if l.startswith("aux ")]
    if "".join(aux) != want["aux"]:
        sys.exit(f"{line}: aux {aux!r}, the preview says {want['aux']!r}")
    print(line, "->", got.hex(), "aux", want["aux"])
PY
grep -q "^aux 43444546" "$work/rules.out" || fail "no aux output from the EB format"
echo "cli_wizards: passed"
