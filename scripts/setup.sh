#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian 12 machine, then builds
# the libraries that Debian does not package for mingw: libpng and FreeType (from
# Debian's own source packages) and GoogleTest (from /usr/src/googletest).
# Safe to run again: every step is skipped when its result is already there.
# Usage: scripts/setup.sh [--packages]
# One line per step on the terminal; the whole output goes to build/setup.log.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/steps.sh"
: >"$setup_log"

deps="$root/build/deps"
prefix="$deps/mingw"
mkdir -p "$deps"

packages=(cmake ninja-build g++ make g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev
          wine64 xvfb x11-apps imagemagick googletest libpng-dev xz-utils
          libfreetype-dev fonts-dejavu-core chromium)

# zip: the release package (scripts/package.sh).
packages+=(zip)
# The fonts label_inspect draws text with (the chain of tools/inspect/render/text_raster.h:
# main font, symbols, Chinese and Japanese, Korean); the release carries the same files.
packages+=($(font_chain | awk '{print $3}'))
# dpkg-source: unpacks Debian's source packages with their patches.
packages+=(dpkg-dev)
# libasio-dev: the network code of `label_inspect serve` (header-only, both builds).
packages+=(libasio-dev)
toolchain="$root/cmake/mingw-w64.cmake"

install_packages() {
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "$@"
}

# fetch_source PACKAGE [VERSION]: Debian's source package into the current folder, once.
# Without a version, the newest; its files are sometimes missing from the mirror: then
# each version the source lists know, newest first.
fetch_source() {
  local package=$1 wanted=${2:-}
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    # Mirror the existing binary sources as source sources.
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      >/etc/apt/sources.list.d/deb-src-setup.sources
    apt-get update -q
  fi
  ls ./*.dsc >/dev/null 2>&1 && return 0
  if [ -n "$wanted" ]; then
    apt-get source --download-only "$package=$wanted"
    return
  fi
  apt-get source --download-only "$package" && return 0
  local version
  for version in $(apt-cache showsrc "$package" | awk '/^Version:/ {print $2}' | sort -r -V -u); do
    apt-get source --download-only "$package=$version" && return 0
  done
  echo "no $package source package could be fetched"
  return 1
}

# libpng for mingw, from Debian's source package. Its private header includes windows.h,
# of which it uses nothing: the lean one takes a third off each file's compile time.
build_libpng() {
  mkdir -p "$deps/libpng-src"
  cd "$deps/libpng-src"
  ls libpng1.6_*.orig.tar.* >/dev/null 2>&1 || fetch_source libpng1.6
  rm -rf unpacked && mkdir unpacked
  tar -xf "$(ls libpng1.6_*.orig.tar.* | head -n 1)" -C unpacked --strip-components=1
  cmake -S unpacked -B build -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_C_FLAGS=-DWIN32_LEAN_AND_MEAN -DCMAKE_INSTALL_PREFIX="$prefix" -DPNG_SHARED=OFF \
        -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_TOOLS=OFF -DSKIP_INSTALL_PROGRAMS=ON \
        -DSKIP_INSTALL_FILES=ON -DZLIB_ROOT=/usr/x86_64-w64-mingw32
  cmake --build build -j"$(nproc)"
  cmake --install build
}

# FreeType for mingw, from Debian's source package of the version the native tree links
# (libfreetype-dev), with Debian's patches, so that both builds draw the same pixels.
# Static, over the static mingw zlib that libpng uses too (FreeType's own copy of zlib
# would clash with it), and without the other optional libraries: previews need outlines.
build_freetype() {
  local version
  version=$(dpkg-query -W -f='${Version}' libfreetype-dev)
  mkdir -p "$deps/freetype-src"
  cd "$deps/freetype-src"
  if ! ls freetype_*.dsc 2>/dev/null | grep -qF "freetype_${version#*:}.dsc"; then
    rm -f freetype_*
    # When the mirror no longer has that version, the newest: then the two builds may
    # differ in a few pixels, which the win tier's comparison of previews would show.
    fetch_source freetype "$version" || fetch_source freetype
  fi
  # dpkg-source unpacks the upstream files and applies Debian's patches.
  rm -rf unpacked build
  dpkg-source --no-check -x freetype_*.dsc unpacked
  cmake -S unpacked -B build -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -DFT_REQUIRE_ZLIB=ON \
        -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include \
        -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
  cmake --build build -j"$(nproc)"
  cmake --install build
}

# GoogleTest for mingw.
# At -O1: unoptimised, its inline code stays in thousands of sections, which made every
# link of a Windows test program take twice as long (GNU ld for PE is slow with them).
build_gtest() {
  cmake -S /usr/src/googletest -B "$deps/gtest-build" -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O1 -DCMAKE_INSTALL_PREFIX="$prefix" \
        -Dgtest_disable_pthreads=OFF -DBUILD_GMOCK=OFF
  cmake --build "$deps/gtest-build" -j"$(nproc)"
  cmake --install "$deps/gtest-build"
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  step "installing ${#missing[@]} Debian packages (${missing[*]})" install_packages "${missing[@]}"
else
  say "Debian packages: all ${#packages[@]} installed"
fi
# --packages: the Debian packages only (test.sh builds the libraries beside the native tree).
[ "${1:-}" != --packages ] || exit 0

if [ -f "$prefix/lib/libpng16.a" ]; then
  say "libpng for mingw: built before, in build/deps/mingw"
else
  step "building libpng for mingw from Debian's source package" build_libpng
fi

if [ -f "$prefix/lib/libfreetype.a" ]; then
  say "FreeType for mingw: built before, in build/deps/mingw"
else
  step "building FreeType for mingw from Debian's source package" build_freetype
fi

if [ -f "$prefix/lib/libgtest.a" ]; then
  say "GoogleTest for mingw: built before, in build/deps/mingw"
else
  step "building GoogleTest for mingw" build_gtest
fi
