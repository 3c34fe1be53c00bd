# Sourced by the test scripts that need something this machine may lack
# (root, a tool, a package):
#   cannot_run REASON
# CI runs as root and installs everything the suite needs, so there a test
# that cannot run has failed; elsewhere it skips (exit 77, CTest's
# SKIP_RETURN_CODE here) and says why.
cannot_run() {
  if [ "${CI:-}" = true ] && [ "$(id -u)" = 0 ]; then
    echo "FAIL: $1" >&2
    exit 1
  fi
  echo "SKIP: $1"
  exit 77
}
