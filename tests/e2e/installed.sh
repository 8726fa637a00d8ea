#!/usr/bin/env bash
# Builds the Debian package from a built tree, unpacks it and runs one
# scenario against the unpacked program with its program folder read-only:
#   installed.sh <build folder> COMMAND...
# The read-only bind mount lives in a private mount namespace of its own
# (the superuser ignores file modes), so the host never sees it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
shift

work=$(mktemp -d /tmp/quendral-installed.XXXXXX)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; exit 1; }
debs=("$work"/out/quendral_*.deb)
[ -f "${debs[0]}" ] || { echo "installed.sh: cpack made no package" >&2; exit 1; }
dpkg-deb -x "${debs[0]}" "$work/root"

export QUENDRAL_INSTALLED_ROOT="$work/root"
folder="$work/root/usr/lib/quendral"
unshare --mount --propagation private -- bash -c \
    'mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" && shift && exec "$@"' \
    installed "$folder" "$here/xsession.sh" "$@"
