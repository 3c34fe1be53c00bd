# Sourced by the test scripts that need something this machine may lack
# (root, a tool, a package):
#   cannot_run REASON
# CI runs as root and installs everything the suite needs, so there a test
# that cannot run has failed; elsewhere it skips (exit 77, CTest's
# SKIP_RETURN_CODE here) and says why.
#   cannot_run_here REASON
# is for what no installing can give, such as a kernel that runs no 32-bit
# x86 program: the test skips everywhere, CI included.
#
# Run as a program, it is a whole test that cannot run (tests/CMakeLists.txt
# registers it in place of the tests whose programs cannot run here):
#   bash cannot_run.sh --missing|--machine REASON
cannot_run() {
  if [ "${CI:-}" = true ] && [ "$(id -u)" = 0 ]; then
    echo "FAIL: $1" >&2
    exit 1
  fi
  echo "SKIP: $1"
  exit 77
}

cannot_run_here() {
  echo "SKIP: $1"
  exit 77
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  case "${1:-}" in
  --missing) cannot_run "$2" ;;
  --machine) cannot_run_here "$2" ;;
  *)
    echo "usage: cannot_run.sh --missing|--machine REASON" >&2
    exit 2
    ;;
  esac
fi
