#!/usr/bin/env bash
# Makes the release archive with CPack and checks what it holds: the library,
# its header, package files, wol-wake, wol-listen and wol-relay (with their
# manual pages and the relay's systemd unit on Linux), README and licence,
# nothing of the tests, and programs and library without symbol tables.
#   archive_test.sh BUILD_DIR OBJDUMP CONFIG
set -euo pipefail
build_dir=$1 objdump=$2 config=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build_dir" && cpack -C "$config" -B "$work" >/dev/null)
shopt -s nullglob
archives=("$work"/tarnwick-wol-1.0.0-*.zip "$work"/tarnwick-wol-1.0.0-*.tar.gz)
[ ${#archives[@]} -eq 1 ] || { echo "FAIL: expected one archive, got: ${archives[*]}" >&2; exit 1; }
archive=${archives[0]}
echo "archive: $(basename "$archive")"
listing=$(python3 - "$archive" "$work/unpacked" <<'PY'
import sys, tarfile, zipfile
path, into = sys.argv[1:3]
if path.endswith(".zip"):
    archive = zipfile.ZipFile(path)
    names = archive.namelist()
else:
    archive = tarfile.open(path)
    names = [m.name for m in archive.getmembers() if not m.isdir()]
archive.extractall(into)
# Drop the archive's top folder.
for name in sorted(n.split("/", 1)[1] for n in names):
    print(name)
PY
)
echo "$listing"

case "$archive" in
*.zip)
  expected="LICENSE README.md bin/tarnwick-wol.dll bin/wol-wake.exe bin/wol-listen.exe
    bin/wol-relay.exe include/tarnwick_wol.h
    lib/libtarnwick-wol.dll.a lib/tarnwick-wol.lib lib/tarnwick-wol.def lib/pkgconfig/tarnwick-wol.pc
    lib/cmake/tarnwick-wol/tarnwick-wol-config.cmake"
  ;;
*)
  expected="bin/wol-wake share/man/man1/wol-wake.1.gz bin/wol-listen share/man/man1/wol-listen.1.gz
    bin/wol-relay share/man/man1/wol-relay.1.gz lib/systemd/system/wol-relay.service
    share/doc/tarnwick-wol/LICENSE
    share/doc/tarnwick-wol/README.md
    include/tarnwick_wol.h lib/libtarnwick-wol.so lib/libtarnwick-wol.so.1
    lib/libtarnwick-wol.so.1.0.0 lib/pkgconfig/tarnwick-wol.pc
    lib/cmake/tarnwick-wol/tarnwick-wol-config.cmake"
  ;;
esac

status=0
for file in $expected; do
  grep -qxF "$file" <<<"$listing" || { echo "FAIL: $file is missing" >&2; status=1; }
done
if grep -iE 'gtest|_test' <<<"$listing"; then
  echo "FAIL: test files in the archive" >&2
  status=1
fi
for file in bin/tarnwick-wol.dll bin/wol-wake.exe bin/wol-listen.exe bin/wol-relay.exe bin/wol-wake \
  bin/wol-listen bin/wol-relay lib/libtarnwick-wol.so.1.0.0; do
  grep -qxF "$file" <<<"$listing" || continue
  grep -q 'no symbols' <<<"$("$objdump" -t "$(echo "$work"/unpacked/*/"$file")")" || {
    echo "FAIL: $file is not stripped" >&2
    status=1
  }
done
exit "$status"
