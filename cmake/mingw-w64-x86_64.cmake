# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 toolchain.
#
# The POSIX-threads flavour of the compiler is used because Qt needs
# std::thread and friends, which the win32 flavour lacks.
#
# Libraries, headers and CMake packages are looked up only below the
# MinGW sysroot and the prefixes given in CMAKE_PREFIX_PATH (for instance
# a cross-built Qt from scripts/build-qt-windows.sh); programs are looked
# up on the build machine. A cross-built Qt also needs the host's Qt of the
# same version for moc, rcc and uic: QT_HOST_PATH defaults to /usr.
#
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DCMAKE_PREFIX_PATH=$(scripts/build-qt-windows.sh --print-prefix) ...

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLET x86_64-w64-mingw32)
set(MINGW_SYSROOT /usr/${MINGW_TRIPLET})

set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)
set(CMAKE_AR ${MINGW_TRIPLET}-ar CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${MINGW_TRIPLET}-ranlib CACHE FILEPATH "Ranlib")

# try_compile() projects read this file again; hand them the prefixes too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CMAKE_PREFIX_PATH QT_HOST_PATH QT_HOST_PATH_CMAKE_DIR)

# Every prefix in CMAKE_PREFIX_PATH is a root of its own, so packages
# installed there (not under the sysroot) are found in ONLY mode.
set(_mingw_roots ${MINGW_SYSROOT})
foreach(_prefix IN LISTS CMAKE_PREFIX_PATH)
    if(IS_DIRECTORY "${_prefix}")
        list(APPEND _mingw_roots "${_prefix}")
    endif()
endforeach()
list(APPEND CMAKE_FIND_ROOT_PATH ${_mingw_roots})
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
unset(_mingw_roots)
unset(_prefix)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# moc, rcc and uic come from the build machine's Qt, which must be the same
# version as the cross-built one.
if(NOT DEFINED QT_HOST_PATH)
    set(QT_HOST_PATH /usr CACHE PATH "Prefix of the build machine's Qt (host tools)")
endif()
if(NOT DEFINED QT_HOST_PATH_CMAKE_DIR)
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake
        CACHE PATH "CMake package folder of the build machine's Qt")
endif()
