#!/usr/bin/env bash
# kestrel-sim on a pseudo-terminal: it registers its port, answers a probe and a menu command
# at the reader's rate, stays silent at another rate, and unregisters when terminated.
set -euo pipefail
build=${1:?build folder}
sim="$build/kestrel-sim"
work=$(mktemp -d)
export KESTREL_PORT_REGISTRY="$work/ports"
source "$(dirname "$0")/lib/simulators.bash"
cleanup() { stop_all_sims; rm -rf "$work"; }
trap cleanup EXIT

check_profile() {
    local profile=$1 rate=$2 other=$3 query=$4 reply=$5
    start_sim "$profile" --profile "$profile"
    local pty=$SIM_PTY pid=$SIM_PID
    grep -qx "$pty" "$KESTREL_PORT_REGISTRY" || { echo "$pty not registered"; exit 1; }

    python3 - "$pty" "$rate" "$other" "$query" "$reply" <<'PY'
import os, select, sys, termios, time
path, rate, other, query, reply = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5]
speeds = {9600: termios.B9600, 19200: termios.B19200, 38400: termios.B38400, 57600: termios.B57600,
          115200: termios.B115200}
fd = os.open(path, os.O_RDWR | os.O_NOCTTY)

def set_rate(value):
    attrs = termios.tcgetattr(fd)
    attrs[0] = attrs[1] = attrs[3] = 0
    attrs[2] = termios.CS8 | termios.CREAD | termios.CLOCAL
    attrs[4] = attrs[5] = speeds[value]
    termios.tcsetattr(fd, termios.TCSANOW, attrs)

def exchange(data, wait=0.5):
    os.write(fd, data)
    got, end = b'', time.time() + wait
    while time.time() < end:
        ready, _, _ = select.select([fd], [], [], 0.05)
        if ready:
            got += os.read(fd, 4096)
    return got

set_rate(rate)
probe = exchange(b'\x16C\r')
assert len(probe) == 4 and probe[:2] == b'\x06\x15', probe
answer = exchange(b'\x16M\r' + query.encode())
expected = reply.encode().replace(b'<ACK>', b'\x06')
assert answer == expected, (answer, expected)
set_rate(other)
assert exchange(b'\x16C\r') == b'', 'answered at the wrong rate'
set_rate(rate)
assert len(exchange(b'\x16C\r')) == 4, 'no answer after returning to the rate'
# A rate command is answered at the old rate; the reader then listens at the new one only.
answer = exchange(b'\x16M\r232BDR%d.' % other)
assert answer == b'232BDR%d\x06.' % other, answer
assert exchange(b'\x16C\r') == b'', 'still answering at the old rate'
set_rate(other)
assert len(exchange(b'\x16C\r')) == 4, 'no answer at the new rate'
PY
    stop_sim "$pid"
    if grep -qx "$pty" "$KESTREL_PORT_REGISTRY" 2>/dev/null; then
        echo "$pty still registered after SIGTERM"; exit 1
    fi
    echo "ok: $profile at $rate"
}

check_profile 3800lr 9600 19200 "p_name?;BEPVOL?." "p_name3800LR<ACK>;BEPVOL3<ACK>."
check_profile 5620sr 115200 57600 "rev_qx?." "rev_qxQX80001004-015<ACK>."
