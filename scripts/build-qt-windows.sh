#!/usr/bin/env bash
# Cross-compiles a shared Qt for 64-bit Windows (MinGW-w64) from Debian's
# qt6-base source package of the same version as the host Qt, which provides
# moc, rcc and uic. Modules: Core, Gui, Widgets, Test and Concurrent, with
# the windows, offscreen and minimal platform plugins; nothing else.
#
# The result is cached per machine under
#   ${XDG_CACHE_HOME:-~/.cache}/quendral/qt-<version>-mingw64-<key>/
# where <key> hashes the Qt package version, the configure flags, the
# compiler version and the source patches, so it is built once (about 25
# minutes on two cores) and reused afterwards. The build runs in a temporary
# folder and moves into place only when complete.
#
#   scripts/build-qt-windows.sh [-j N]   build if needed; the last line of
#                                        stdout is the Qt prefix
#   scripts/build-qt-windows.sh --print-prefix
#                                        print the prefix if built, else fail
#   scripts/build-qt-windows.sh --rebuild [-j N]
#                                        throw the cached build away first
#
# Use the prefix with the same toolchain file:
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_PREFIX_PATH=<prefix> ...
#
# Needs root (or sudo) only when Debian packages are missing or deb-src
# entries have to be added to the apt sources.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
toolchain="$repo/cmake/mingw-w64-x86_64.cmake"
patch_dir="$repo/scripts/patches"

print_only=false
rebuild=false
jobs=$(nproc)
while [ $# -gt 0 ]; do
    case "$1" in
        --print-prefix) print_only=true ;;
        --rebuild) rebuild=true ;;
        -j) shift; jobs=${1:?-j needs a number} ;;
        -j*) jobs=${1#-j} ;;
        -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
        *) echo "Unknown argument: $1 (see --help)" >&2; exit 2 ;;
    esac
    shift
done

say() { echo "build-qt-windows: $*"; }
die() { echo "build-qt-windows: $*" >&2; exit 1; }

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# --- Debian packages ---------------------------------------------------------

needed_pkgs=(cmake ninja-build perl patch xz-utils dpkg-dev
             g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
             qt6-base-dev qt6-base-dev-tools)
missing=()
for pkg in "${needed_pkgs[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$pkg")
done
if [ ${#missing[@]} -gt 0 ]; then
    $print_only && die "missing packages (${missing[*]}), so Qt for Windows is not built yet"
    say "installing ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

# --- What gets built -----------------------------------------------------------

# The host Qt's Debian version; the cross-built Qt comes from the same source
# package so its moc/rcc/uic match.
deb_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
qt_version=${deb_version%%[+-]*}
source_pkg=$(dpkg-query -W -f='${source:Package}' qt6-base-dev)

cxx=x86_64-w64-mingw32-g++-posix
compiler_id="$($cxx --version | head -n1) / $(x86_64-w64-mingw32-gcc-posix -dumpfullversion)"

configure_flags=(
    -G Ninja
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=ON
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    -DQT_BUILD_BENCHMARKS=OFF
    -DQT_QPA_DEFAULT_PLATFORM=windows
    # Modules: Core, Gui, Widgets, Test, Concurrent.
    -DFEATURE_gui=ON
    -DFEATURE_widgets=ON
    -DFEATURE_testlib=ON
    -DFEATURE_concurrent=ON
    -DFEATURE_network=OFF
    -DFEATURE_sql=OFF
    -DFEATURE_xml=OFF
    -DFEATURE_dbus=OFF
    -DFEATURE_printsupport=OFF
    -DFEATURE_androiddeployqt=OFF
    # No OpenGL of any kind: the feature alone still leaves dynamic GL on.
    -DINPUT_opengl=no
    -DFEATURE_opengl=OFF
    -DFEATURE_opengl_dynamic=OFF
    -DFEATURE_vulkan=OFF
    -DFEATURE_direct2d=OFF
    -DFEATURE_icu=OFF
    -DFEATURE_jpeg=OFF
    -DFEATURE_zstd=OFF
    # Debian's source tarball drops src/3rdparty/wintab.
    -DFEATURE_tabletevent=OFF
    # Bundled third-party code only; nothing from the MinGW sysroot.
    -DFEATURE_freetype=ON
    -DFEATURE_system_freetype=OFF
    -DFEATURE_harfbuzz=ON
    -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_png=ON
    -DFEATURE_system_png=OFF
    -DFEATURE_system_zlib=OFF
    -DFEATURE_pcre2=ON
    -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_system_libb2=OFF
    -DFEATURE_system_textmarkdownreader=OFF
)

patches=()
if [ -d "$patch_dir" ]; then
    while IFS= read -r p; do patches+=("$p"); done < <(find "$patch_dir" -maxdepth 1 -name '*.patch' | LC_ALL=C sort)
fi

# Bump when the way Qt is built here changes in a way the flags do not show.
recipe=1
# The toolchain file is left out on purpose: it serves Quendral's own builds
# too, and the compiler it names is covered by compiler_id. After editing how
# it affects Qt, run with --rebuild.
key=$( {
    echo "recipe $recipe"
    echo "$source_pkg $deb_version"
    echo "$compiler_id"
    printf '%s\n' "${configure_flags[@]}"
    for p in "${patches[@]}"; do basename "$p"; cat "$p"; done
} | sha256sum | cut -c1-12)

cache_root="${XDG_CACHE_HOME:-$HOME/.cache}/quendral"
name="qt-$qt_version-mingw64-$key"
prefix="$cache_root/$name"
stamp="$prefix/quendral-build.txt"

if $print_only; then
    [ -f "$stamp" ] || die "Qt for Windows is not built yet (expected $prefix); run $0"
    echo "$prefix"
    exit 0
fi

# Private, as the program keeps its single-instance lock in it too.
mkdir -p -m 700 "$cache_root"
# One build per key at a time; a second run waits and then finds the cache.
exec 9>"$cache_root/$name.lock"
if ! flock -n 9; then
    say "another build of $name is running; waiting for it"
    flock 9
fi

if $rebuild && [ -d "$prefix" ]; then
    say "removing $prefix"
    rm -rf "$prefix"
fi

if [ -f "$stamp" ]; then
    say "Qt $qt_version for Windows already built"
    echo "$prefix"
    exit 0
fi
[ -e "$prefix" ] && rm -rf "$prefix"   # left incomplete by an older run

# Unfinished builds left by interrupted runs, of this or another key (those
# whose lock is free, so no run is working on them).
for stale in "$cache_root"/.qt-*.tmp; do
    [ -d "$stale" ] || continue
    stale_name=${stale#"$cache_root/."}
    stale_name=${stale_name%.tmp}
    if [ "$stale_name" = "$name" ] || flock -n "$cache_root/$stale_name.lock" true; then
        say "removing the unfinished build $stale"
        rm -rf "$stale"
    fi
done
work="$cache_root/.$name.tmp"
log="$cache_root/$name.log"
mkdir -p "$work"
: > "$log"
say "building Qt $qt_version for Windows into $prefix"
say "log: $log"

fail() {
    echo "---- last lines of $log ----" >&2
    tail -n 30 "$log" >&2
    die "$1 failed; the unfinished build is left in $work"
}

# --- Source ---------------------------------------------------------------------

# The source package is downloaded once and kept beside the builds.
src_cache="$cache_root/sources/$source_pkg-$deb_version"
if ! ls "$src_cache"/*.dsc >/dev/null 2>&1; then
    if ! apt-get source --print-uris "$source_pkg=$deb_version" >/dev/null 2>&1; then
        # No deb-src entries yet: mirror the binary entries as source ones.
        if [ -f /etc/apt/sources.list.d/debian.sources ]; then
            list=/etc/apt/sources.list.d/quendral-deb-src.sources
            sed 's/^Types:.*$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $sudo tee "$list" >/dev/null
        elif [ -f /etc/apt/sources.list ]; then
            list=/etc/apt/sources.list.d/quendral-deb-src.list
            sed -n 's/^deb \(.*\)$/deb-src \1/p' /etc/apt/sources.list | $sudo tee "$list" >/dev/null
        else
            die "no deb-src entries and no Debian apt sources to derive them from"
        fi
        say "added deb-src entries to the apt sources: $list"
        $sudo apt-get update -qq
    fi
    say "downloading $source_pkg $deb_version source"
    mkdir -p "$src_cache.tmp"
    (cd "$src_cache.tmp" && apt-get source --download-only "$source_pkg=$deb_version") >>"$log" 2>&1 \
        || fail "downloading the source"
    rm -rf "$src_cache"
    mv "$src_cache.tmp" "$src_cache"
fi

say "unpacking and patching the source"
dpkg-source -x "$src_cache"/*.dsc "$work/src" >>"$log" 2>&1 || fail "unpacking the source"
for p in "${patches[@]}"; do
    echo "== applying $(basename "$p")" >>"$log"
    patch -d "$work/src" -p1 --forward < "$p" >>"$log" 2>&1 || fail "applying $(basename "$p")"
done

# --- Configure, build, install --------------------------------------------------

start=$(date +%s)
say "configuring"
echo "== configure: ${configure_flags[*]}" >>"$log"
cmake -S "$work/src" -B "$work/build" \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_INSTALL_PREFIX="$prefix" \
      "${configure_flags[@]}" >>"$log" 2>&1 || fail "configuring"

say "compiling with $jobs jobs at low priority (takes a while)"
echo "== build" >>"$log"
# In a session of its own, so an interrupted run can stop ninja and the
# compilers along with it.
setsid nice -n 19 cmake --build "$work/build" --parallel "$jobs" >>"$log" 2>&1 &
build_pid=$!
trap 'kill -- "-$build_pid" 2>/dev/null' EXIT
trap 'exit 130' INT TERM HUP
# Report progress now and then, from ninja's "[done/total]" lines.
while kill -0 "$build_pid" 2>/dev/null; do
    for _ in $(seq 120); do
        kill -0 "$build_pid" 2>/dev/null || break
        sleep 5
    done
    progress=$(grep -o '^\[[0-9]*/[0-9]*\]' "$log" | tail -n1 || true)
    kill -0 "$build_pid" 2>/dev/null && say "  $progress after $(( ($(date +%s) - start) / 60 )) min"
done
wait "$build_pid" || fail "compiling"
trap - EXIT INT TERM HUP

# Installed into a staging folder, then renamed into place in one step.
say "installing"
echo "== install" >>"$log"
DESTDIR="$work/stage" cmake --install "$work/build" >>"$log" 2>&1 || fail "installing"
{
    echo "Qt $qt_version for Windows (MinGW-w64), from Debian $source_pkg $deb_version"
    echo "Built $(date -u +%Y-%m-%dT%H:%M:%SZ) in $(( ($(date +%s) - start) / 60 )) min with $compiler_id"
    echo "Patches: $(for p in "${patches[@]}"; do basename "$p"; done | tr '\n' ' ')"
    echo "Configure flags:"
    printf '  %s\n' "${configure_flags[@]}"
} > "$work/stage$prefix/quendral-build.txt"
mv "$work/stage$prefix" "$prefix"
rm -rf "$work"

say "done in $(( ($(date +%s) - start) / 60 )) min; $(du -sh "$prefix" | cut -f1) in $prefix"
echo "$prefix"
