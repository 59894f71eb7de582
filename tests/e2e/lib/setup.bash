# Sourced first by the end-to-end scripts, with the script's own arguments:
#   source "$(dirname "$0")/lib/setup.bash" "$@"        (BUILD_DIR SOURCE_DIR)
#
# Sets build, source_dir, cli, sim and work: a scratch folder removed at exit, together with
# every simulator the script started (lib/simulators.bash). The programs get private hives,
# profile, port registry and runtime folder inside it, and $work/cwd (no Kestrel.ini) is the
# current folder. fail prints its message, and $work/err when a step left one, and exits.
build=$(cd "${1:?build folder}" && pwd)
source_dir=$(cd "${2:-$(dirname "${BASH_SOURCE[0]}")/../../..}" && pwd)
cli="$build/kestrel-cli"
sim="${KESTREL_SIM:-$build/kestrel-sim}"
work=$(mktemp -d)
source "$(dirname "${BASH_SOURCE[0]}")/simulators.bash"
cleanup() { stop_all_sims; rm -rf "$work"; }
trap cleanup EXIT
export KESTREL_USER_HIVE="$work/user.hive" KESTREL_MACHINE_HIVE="$work/machine.hive"
export KESTREL_USER_PROFILE="$work/profile.ini" KESTREL_PORT_REGISTRY="$work/ports" XDG_RUNTIME_DIR="$work"
mkdir "$work/cwd"
cd "$work/cwd"
fail() { echo "FAIL: $*" >&2; [ -f "$work/err" ] && cat "$work/err" >&2; exit 1; }
