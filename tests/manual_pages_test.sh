#!/usr/bin/env bash
# The tools' manual pages are clean roff: mandoc's linter finds nothing, of
# any level, and groff with every warning says nothing either.
#   manual_pages_test.sh PAGE...
set -euo pipefail
# shellcheck source=cannot_run.sh
source "$(dirname "$0")/cannot_run.sh"
for tool in mandoc groff; do
  command -v "$tool" >/dev/null || cannot_run "$tool is not installed"
done
status=0
for page in "$@"; do
  found=$( { mandoc -Tlint -Wstyle "$page" 2>&1 || true; } && groff -ww -z -man "$page" 2>&1)
  if [ -n "$found" ]; then
    printf 'FAIL: %s:\n%s\n' "$page" "$found" >&2
    status=1
  fi
done
[ "$status" != 0 ] || echo "ok: $# manual pages, clean for mandoc -Tlint and groff -ww"
exit "$status"
