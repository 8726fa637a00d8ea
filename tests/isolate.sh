#!/usr/bin/env bash
# Runs one test program with its own temporary XDG folders (cache included:
# lock files land there) and HOME.
set -u
dir=$(mktemp -d /tmp/quendral-test.XXXXXX)
mkdir -p "$dir/config" "$dir/xdg" "$dir/run" "$dir/home" "$dir/data" "$dir/cache"
chmod 700 "$dir/run"
export XDG_CONFIG_HOME="$dir/config" XDG_CONFIG_DIRS="$dir/xdg" XDG_DATA_HOME="$dir/data" XDG_RUNTIME_DIR="$dir/run" \
    XDG_CACHE_HOME="$dir/cache" HOME="$dir/home"
export QUENDRAL_TEST_TMP="$dir"
"$@"
status=$?
rm -rf "$dir"
exit $status
