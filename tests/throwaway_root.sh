# Sourced by the scripts that make a throwaway root file system (a chroot)
# and must leave nothing of it behind:
#   remove_tree DIR
# ends whatever still runs with its root below DIR (it was started there by
# the script), unmounts whatever is mounted below DIR, deepest first, and
# deletes DIR, but only once nothing is mounted there any more (status 1
# and a message otherwise).

# mounts_below DIR: the mount points at or below DIR, deepest first.
mounts_below() {
  awk -v dir="$1" '$5 == dir || index($5, dir "/") == 1 {print $5}' /proc/self/mountinfo | sort -r
}

remove_tree() {
  local dir=$1 proc mount_point left
  [ -e "$dir" ] || return 0
  for proc in /proc/[0-9]*; do
    case "$(readlink "$proc/root" 2>/dev/null)" in
    "$dir" | "$dir"/*) kill -9 "${proc#/proc/}" 2>/dev/null || true ;;
    esac
  done
  for mount_point in $(mounts_below "$dir"); do
    umount "$mount_point" 2>/dev/null || umount --lazy "$mount_point" || true
  done
  left=$(mounts_below "$dir")
  if [ -n "$left" ]; then
    echo "$(basename "$0"): still mounted, so $dir is left in place: $left" >&2
    return 1
  fi
  rm -rf "$dir"
}
