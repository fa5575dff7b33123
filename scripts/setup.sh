#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian 12 machine, then builds
# the two libraries that Debian does not package for mingw: libpng (from
# Debian's own source package) and GoogleTest (from /usr/src/googletest).
# Safe to run again: every step is skipped when its result is already there.
# One line per step on the terminal; the whole output goes to build/setup.log.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/steps.sh"
: >"$setup_log"

deps="$root/build/deps"
prefix="$deps/mingw"
mkdir -p "$deps"

packages=(cmake g++ make g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev
          wine64 xvfb x11-apps imagemagick googletest libpng-dev xz-utils
          libfreetype-dev fonts-dejavu-core chromium)

# zip: the release package (scripts/package.sh).
packages+=(zip)
# libasio-dev: the network code of `label_inspect serve` (header-only, both builds).
packages+=(libasio-dev)
toolchain="$root/cmake/mingw-w64.cmake"

install_packages() {
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "$@"
}

# libpng for mingw, from Debian's source package.
build_libpng() {
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    # Mirror the existing binary sources as source sources.
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      >/etc/apt/sources.list.d/deb-src-setup.sources
    apt-get update -q
  fi
  mkdir -p "$deps/libpng-src"
  cd "$deps/libpng-src"
  if ! ls libpng1.6_*.orig.tar.* >/dev/null 2>&1; then
    # The newest version's files are sometimes missing from the mirror: then try each
    # version the source lists know, newest first.
    if ! apt-get source --download-only libpng1.6; then
      local fetched=no version
      for version in $(apt-cache showsrc libpng1.6 | awk '/^Version:/ {print $2}' | sort -r -V -u); do
        if apt-get source --download-only "libpng1.6=$version"; then fetched=yes; break; fi
      done
      [ "$fetched" = yes ] || { echo "no libpng1.6 source package could be fetched"; return 1; }
    fi
  fi
  rm -rf unpacked && mkdir unpacked
  tar -xf "$(ls libpng1.6_*.orig.tar.* | head -n 1)" -C unpacked --strip-components=1
  cmake -S unpacked -B build -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
        -DPNG_EXECUTABLES=OFF -DPNG_TOOLS=OFF -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON \
        -DZLIB_ROOT=/usr/x86_64-w64-mingw32
  cmake --build build -j"$(nproc)"
  cmake --install build
}

# GoogleTest for mingw.
build_gtest() {
  cmake -S /usr/src/googletest -B "$deps/gtest-build" -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -Dgtest_disable_pthreads=OFF \
        -DBUILD_GMOCK=OFF
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

if [ -f "$prefix/lib/libpng16.a" ]; then
  say "libpng for mingw: built before, in build/deps/mingw"
else
  step "building libpng for mingw from Debian's source package" build_libpng
fi

if [ -f "$prefix/lib/libgtest.a" ]; then
  say "GoogleTest for mingw: built before, in build/deps/mingw"
else
  step "building GoogleTest for mingw" build_gtest
fi
