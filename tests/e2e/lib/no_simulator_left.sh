#!/usr/bin/env bash
# Runs after every end-to-end test: no kestrel-sim started by them may still be alive. The
# tests run with KESTREL_E2E_RUN set to this build folder, and the readers they start inherit
# it, so a leaked one is found whichever script started it. Leaked readers are ended here
# (so one faulty run does not pile up processes) and the test fails, naming them.
#   no_simulator_left.sh BUILD_DIR
set -uo pipefail
mark="KESTREL_E2E_RUN=${1:?build folder}"
left=()
for dir in /proc/[0-9]*; do
    pid=${dir#/proc/}
    [ "$pid" = "$$" ] && continue
    cmdline=$(tr '\0' ' ' <"$dir/cmdline" 2>/dev/null) || continue
    case "$cmdline" in *kestrel-sim*) ;; *) continue ;; esac
    state=$(awk '{ print $3 }' "$dir/stat" 2>/dev/null)
    [ "$state" = Z ] && continue
    tr '\0' '\n' <"$dir/environ" 2>/dev/null | grep -qxF "$mark" || continue
    left+=("$pid: $cmdline")
    kill -KILL "$pid" 2>/dev/null
done
if [ "${#left[@]}" -gt 0 ]; then
    echo "FAIL: simulators left running by the end-to-end tests:" >&2
    printf '  %s\n' "${left[@]}" >&2
    exit 1
fi
echo "ok: no simulator left"
