#!/usr/bin/env bash
# kestrel-cli --trace: the host's log of a read holds exactly the bytes the simulated reader
# logged from its side of the pseudo-terminal, both ways, in the same line format.
#   cli_trace.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/lib/setup.bash" "$@"

cat >"$work/trace.profile" <<'PROFILE'
name trace
model Trace reader
class CDevice
rev_qx QX80001005-012
rev_sw SW1.00
p_name 3800LR
link 0xCE31
line 9600 8N1
tables 1
caps none
setting BEPLVL range=0-3 default=2 values=2
setting C39ENA range=0-1 default=1 values=1
PROFILE

start_sim sim --profile "$work/trace.profile" --log
"$cli" --quiet --trace "$work/host.log" read --device "$SIM_PTY" >"$work/out" 2>"$work/err" \
    || fail "read: $(cat "$work/err")"
stop_sim "$SIM_PID"
[ -s "$work/host.log" ] || fail "no trace written"
ls "$work" | grep -q 'host.log\.' && fail "a temporary trace file was left behind"

# One line format on both sides: time, port, direction, up to 16 hex bytes, |text|.
grep -Eq '^ *[0-9]+\.[0-9]{6} \S+ [<>] ([0-9A-F]{2} ?){1,16} +\|.{1,16}\|$' "$work/host.log" || fail "host log format"
grep -Eq '^ *[0-9]+\.[0-9]{6} sim [<>] ([0-9A-F]{2} ?){1,16} +\|.{1,16}\|$' "$work/sim.err" || fail "sim log format"
grep -Eq ' = 9600,N,8,1 DTR ' "$work/host.log" || fail "no line settings in the host log"

# The bytes each way, in order. The reader hears only what arrives at its own rate, so the
# host's bytes towards it hold the reader's as their end; what the reader sent is exactly
# what the host read.
bytes() { grep -E "^ *[0-9.]+ \S+ $2 " "$1" | sed -E 's/^ *[0-9.]+ \S+ . //; s/ +\|.*$//' | tr -s ' \n' '  '; }
host_out=$(bytes "$work/host.log" '>'); sim_in=$(bytes "$work/sim.err" '>')
host_in=$(bytes "$work/host.log" '<'); sim_out=$(bytes "$work/sim.err" '<')
[ -n "$sim_in" ] && [ -n "$sim_out" ] || fail "the reader logged nothing"
[ "$host_in" = "$sim_out" ] || fail "the host read other bytes than the reader sent"
case "$host_out" in *"$sim_in") ;; *) fail "the reader heard bytes the host did not send" ;; esac
echo "cli_trace: ok"
