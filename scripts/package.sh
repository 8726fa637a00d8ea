#!/usr/bin/env bash
# Makes the Debian package: a Release build in build-package/ with Debian's
# hardening flags (dpkg-buildflags), then cpack -G DEB there. Prints the path
# of the .deb last.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh package
build=${QUENDRAL_PACKAGE_DIR:-build-package}

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# CMake does not read CPPFLAGS, so they go in with the C++ flags. -Wdate-time
# is left out: the About window shows the compilation date on purpose.
cxxflags="$(dpkg-buildflags --get CPPFLAGS | sed 's/-Wdate-time//') $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUENDRAL_TESTS=OFF \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags"
nice cmake --build "$build" -j"$(nproc)"
log=$(cd "$build" && cpack -G DEB)
echo "$log"
deb=$(sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' <<<"$log")
[ -f "$deb" ] || { echo "package.sh: cpack made no package" >&2; exit 1; }
echo "$deb"
