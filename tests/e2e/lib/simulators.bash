# Sourced by the end-to-end scripts that need simulated readers.
#
# Readers are started in the calling shell (never in a command substitution, whose subshell
# would keep the process id from the script's own trap), and every one is ended when the
# script exits, passed or failed. The suite's last test (no_simulator_left.sh) looks for any
# kestrel-sim that carries this suite's KESTREL_E2E_RUN mark and is still alive.
#
#   sim=PATH/kestrel-sim          the simulator to run
#   start_sim NAME ARGS...        starts "$sim" ARGS; sets SIM_PID and SIM_PTY (its
#                                 pseudo-terminal); output in $work/NAME.out and NAME.err
#   stop_sim PID                  ends one reader and waits for it
#   stop_all_sims                 ends every reader this script started (the EXIT trap)

sim_pids=()

# True while the process exists and is not a zombie waiting for us to reap it.
sim_alive() {
    local state
    state=$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null) || return 1
    [ -n "$state" ] && [ "$state" != Z ]
}

stop_sim() {
    local pid=$1
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 50); do sim_alive "$pid" || break; sleep 0.1; done
    sim_alive "$pid" && kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null || true
    local kept=() p
    for p in "${sim_pids[@]}"; do [ "$p" = "$pid" ] || kept+=("$p"); done
    sim_pids=("${kept[@]}")
}

stop_all_sims() {
    local p
    for p in "${sim_pids[@]}"; do stop_sim "$p"; done
}

start_sim() {
    local name=$1
    shift
    "$sim" "$@" >"$work/$name.out" 2>"$work/$name.err" &
    SIM_PID=$!
    sim_pids+=("$SIM_PID")
    for _ in $(seq 300); do [ -s "$work/$name.out" ] && break; sleep 0.1; done
    SIM_PTY=$(head -n 1 "$work/$name.out" 2>/dev/null || true)
    if [ ! -c "$SIM_PTY" ]; then
        echo "FAIL: no pseudo-terminal from kestrel-sim $*: $(cat "$work/$name.err")" >&2
        exit 1
    fi
}

# Signals end the script through its EXIT trap too.
trap 'exit 143' TERM
trap 'exit 130' INT
