#!/usr/bin/env bash
# kestrel-cli against simulated readers on a bad line: 1% of the bytes garbled, 1% lost, both
# ways, and random 300 ms stalls. Settings cycles (read every setting, write two, read them
# back) and HModem transfers of 256 KiB (stored in the reader's file store, fetched back).
# Every command either succeeds with the right data or fails with a message saying what
# failed; both are counted and printed. A success with wrong data, or a failure without a
# message, fails the test.
#   soak_cli.sh BUILD_DIR SOURCE_DIR [--long]
# The short run (default suite) does 5 cycles and 1 transfer; --long (ctest -L soak) does 200
# cycles and 50 transfers. KESTREL_SOAK_CYCLES / _TRANSFERS / _LANES override the counts; the
# readers run side by side in lanes, since most of the time is spent waiting on time-outs.
set -euo pipefail
source "$(dirname "$0")/lib/setup.bash" "$1" "$2"

if [ "${3:-}" = --long ]; then
    cycles=${KESTREL_SOAK_CYCLES:-200} transfers=${KESTREL_SOAK_TRANSFERS:-50} lanes=${KESTREL_SOAK_LANES:-8}
else
    cycles=${KESTREL_SOAK_CYCLES:-5} transfers=${KESTREL_SOAK_TRANSFERS:-1} lanes=${KESTREL_SOAK_LANES:-5}
fi
line_faults="drop-rate=0.01,corrupt-rate=0.01,host-drop-rate=0.01,host-corrupt-rate=0.01"
line_faults+=",delay-rate=0.002,host-delay-rate=0.002,delay-ms=300"

cat >"$work/soak.profile" <<'PROFILE'
name soak
model Soak reader
class CDevice
rev_qx QX80001005-012
rev_sw SW1.00
p_name 3800LR
link 0xCE31
line 115200 8N1
tables 1
caps none
setting BEPLVL range=0-3 default=2 values=2
setting C39ENA range=0-1 default=1 values=1
setting C39MIN range=1-48 default=2 values=2
setting C39MAX range=1-48 default=48 values=48
setting SCNLED range=HIGH|LOW|OFF| default=HIGH values=LOW
setting TRGMOD range=0-9 default=0 values=0
PROFILE

# One result line per command run: "ok WHAT", "failed WHAT: MESSAGE", "wrong WHAT: DETAIL" or
# "silent WHAT" (failed without a word).
record() { echo "$*" >>"$results"; }

# What the command said about its failure: the last line on stderr, else the first on stdout
# (a refused write lists its settings below its ERROR line).
message_of() {
    local text
    text=$(grep -a -v -e '^Checking ' -e '^[[:space:]]*$' "$1" | tail -n 1 || true)
    [ -n "$text" ] || text=$(grep -a -v -e '^Checking ' -e '^[[:space:]]*$' "$2" | head -n 1 || true)
    echo "${text#kestrel-cli: }"
}

run_cli() { # NAME WHAT ARGS... : runs kestrel-cli, records a failure; status 0 on success
    local name=$1 what=$2
    shift 2
    local status=0
    "$cli" --quiet "$@" --device "$pty" >"$lane_dir/$name.out" 2>"$lane_dir/$name.err" || status=$?
    if [ "$status" -ne 0 ]; then
        local text
        text=$(message_of "$lane_dir/$name.err" "$lane_dir/$name.out")
        if [ -n "$text" ]; then record "failed $what: $text"; else record "silent $what (exit $status)"; fi
        return 1
    fi
}

# Compares a read with what the reader must hold: $lane_dir/expected has "TAG VALUE[|VALUE]"
# lines (several values while an earlier write failed and either may have landed). Prints the
# difference and fails when a setting is wrong; otherwise settles the uncertain ones.
check_read() {
    python3 - "$lane_dir/$1.out" "$lane_dir/expected" <<'PY'
import json, sys
got = {s["tag"]: s["values"] for s in json.load(open(sys.argv[1]))["settings"]}
expected = dict(line.split() for line in open(sys.argv[2]) if line.strip())
wrong = []
for tag, allowed in expected.items():
    values = got.get(tag)
    if values is None or len(values) != 1 or values[0] not in allowed.split("|"):
        wrong.append(f"{tag}={values} expected {allowed}")
    else:
        expected[tag] = values[0]
if wrong:
    print("; ".join(wrong))
    sys.exit(1)
with open(sys.argv[2], "w") as f:
    f.writelines(f"{t} {v}\n" for t, v in expected.items())
PY
}

read_and_check() { # NAME WHAT
    run_cli "$1" "$2" --json read || return 0
    local diff
    if diff=$(check_read "$1"); then
        record "ok $2"
    else
        record "wrong $2: $diff; kestrel-cli printed: $(head -c 2000 "$lane_dir/$1.out" | tr '\n' ' ')"
    fi
}

settings_lane() { # LANE CYCLES
    local lane=$1 count=$2 i
    printf 'BEPLVL 2\nC39ENA 1\nC39MIN 2\nC39MAX 48\nSCNLED LOW\nTRGMOD 0\n' >"$lane_dir/expected"
    for ((i = 1; i <= count; ++i)); do
        local what="lane $lane cycle $i"
        read_and_check read "read-all ($what)"
        local level=$(((lane + i) % 4)) minimum=$(((lane * 7 + i) % 40 + 1))
        if run_cli write "write ($what)" write "BEPLVL=$level" "C39MIN=$minimum"; then
            record "ok write ($what)"
            sed -i -e "s/^BEPLVL .*/BEPLVL $level/" -e "s/^C39MIN .*/C39MIN $minimum/" "$lane_dir/expected"
        else
            sed -i -e "s/^BEPLVL \\(.*\\)/BEPLVL \\1|$level/" -e "s/^C39MIN \\(.*\\)/C39MIN \\1|$minimum/" \
                "$lane_dir/expected"
        fi
        read_and_check readback "read-back ($what)"
    done
}

transfer_lane() { # LANE TRANSFERS
    local lane=$1 count=$2 i
    for ((i = 1; i <= count; ++i)); do
        local what="lane $lane transfer $i" file="$lane_dir/file.bin"
        head -c 262144 /dev/urandom >"$file"
        run_cli store "HModem store ($what)" htag FILSTO "FILE=soak$i" --protocol=3 --input="$file" || continue
        rm -f "$lane_dir/back.bin"
        run_cli fetch "HModem fetch ($what)" htag FILRET "FILE=soak$i" --protocol=3 --output="$lane_dir/back.bin" \
            || continue
        if cmp -s "$file" "$lane_dir/back.bin"; then
            record "ok HModem store and fetch ($what)"
        else
            record "wrong HModem store and fetch ($what): $(stat -c %s "$lane_dir/back.bin" 2>/dev/null || echo no) bytes back"
        fi
    done
}

# Lanes: the cycles spread over the settings lanes, the transfers over up to two lanes of
# their own. Each lane has its own reader, started in this shell so the exit trap ends it.
settings_lanes=$((cycles < lanes ? cycles : lanes))
transfer_lanes=$((transfers < 2 ? transfers : 2))
lane_pids=()
# An interrupted soak ends its lanes before their readers.
cleanup() {
    local pid
    for pid in "${lane_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    stop_all_sims
    rm -rf "$work"
}
start_lane() { # KIND LANE COUNT
    local kind=$1 lane=$2 count=$3
    [ "$count" -gt 0 ] || return 0
    start_sim "sim$lane" --profile "$work/soak.profile" --faults "seed=$((lane * 7919 + 1)),$line_faults"
    (
        pty=$SIM_PTY lane_dir="$work/lane$lane" results="$work/lane$lane/results"
        mkdir -p "$lane_dir"
        : >"$results"
        "${kind}_lane" "$lane" "$count"
    ) &
    lane_pids+=("$!")
}
started=$(date +%s)
for ((l = 0; l < settings_lanes; ++l)); do
    start_lane settings "$l" $(((cycles + settings_lanes - 1 - l) / settings_lanes))
done
for ((l = 0; l < transfer_lanes; ++l)); do
    start_lane transfer "$((100 + l))" $(((transfers + transfer_lanes - 1 - l) / transfer_lanes))
done
for pid in "${lane_pids[@]}"; do wait "$pid" || fail "a soak lane stopped early"; done

cat "$work"/lane*/results >"$work/all" 2>/dev/null || : >"$work/all"
echo "Soak through kestrel-cli: $cycles settings cycles, $transfers HModem transfers of 256 KiB," \
    "$((settings_lanes + transfer_lanes)) readers side by side, $(($(date +%s) - started)) s"
for kind in read-all write read-back "HModem"; do
    printf '  %-10s %4s right  %4s failed  %4s wrong data\n' "$kind" \
        "$(grep -ac "^ok $kind " "$work/all" || true)" \
        "$(grep -aEc "^(failed|silent) $kind " "$work/all" || true)" \
        "$(grep -ac "^wrong $kind " "$work/all" || true)"
done
echo "Failures by message:"
sed -n 's/^failed [^:]*: //p' "$work/all" | sort | uniq -c | sort -rn | sed 's/^/  /'
expected_runs=$((cycles * 3 + transfers))
runs=$(grep -ac '^\(ok\|failed\|silent\|wrong\)' "$work/all" || true)
[ "$runs" -eq "$expected_runs" ] || fail "only $runs results for $expected_runs runs"
if grep -aE "^(wrong|silent) " "$work/all" >&2; then
    fail "commands succeeded with wrong data or failed without saying what failed"
fi
echo "ok"
