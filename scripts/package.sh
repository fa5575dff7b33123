#!/usr/bin/env bash
# Builds the DLL that ships (build/win64: Release, stripped, its debug information in
# ZOV_PLUGIN_KDV6200.dll.debug found through a debug link) and label_inspect.exe, and
# writes dist/ZOV_PLUGIN_KDV6200-<version>-win64.zip holding the DLL, the .debug file,
# tools/label_inspect.exe (stripped), tools/fonts/ (the fonts of the previews, from their
# Debian packages, with the packages' copyright files), INSTALL.txt (its printer data
# table held to the code by a native test), CHANGES.txt and
# SHA256SUMS over every other file. The version comes from src/resources/version.h.
#
# Reproducible: one commit gives the same bytes in any folder at any time. File times in
# the zip are the commit's (SOURCE_DATE_EPOCH, from git unless already set), entries are
# sorted, modes fixed and no owner or extra time is stored.
#
# Usage: scripts/package.sh           build and pack
#        scripts/package.sh --check   then build the package again from a copy of the
#                                     sources in build/repro and require the same bytes
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/steps.sh"
cd "$root"

check=no
case "${1:-}" in
  "") ;;
  --check) check=yes ;;
  *) echo "usage: scripts/package.sh [--check]" >&2; exit 2 ;;
esac

# test.sh sets ZOV_SETUP_DONE when it has run the setup already.
[ -n "${ZOV_SETUP_DONE:-}" ] || bash scripts/setup.sh
build_tree win64 zov_plugin label_inspect

version_part() { sed -n "s/^#define ZOV_VERSION_$1 \([0-9]\{1,5\}\)\$/\1/p" src/resources/version.h; }
version="$(version_part MAJOR).$(version_part MINOR).$(version_part PATCH).$(version_part BUILD)"
if ! [[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
  echo "package: no version found in src/resources/version.h (ZOV_VERSION_MAJOR ... _BUILD)" >&2
  exit 1
fi
name="ZOV_PLUGIN_KDV6200-$version-win64"
zip="$root/dist/$name.zip"

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  if ! SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null); then
    echo "package: not a git checkout: set SOURCE_DATE_EPOCH to the time the files should carry" >&2
    exit 1
  fi
fi
export SOURCE_DATE_EPOCH

# A text file for Windows readers: CRLF line ends.
windows_text() { sed -e 's/$/\r/' "$1"; }

pack() {
  local stage="$root/build/package" dir table file folder package
  rm -rf "$stage" && mkdir -p "$stage/$name/tools/fonts" "$root/dist"
  dir="$stage/$name"
  cp build/win64/ZOV_PLUGIN_KDV6200.dll build/win64/ZOV_PLUGIN_KDV6200.dll.debug "$dir/"
  # Stripped as the DLL is; SOURCE_DATE_EPOCH=0 keeps objcopy from stamping a time.
  SOURCE_DATE_EPOCH=0 x86_64-w64-mingw32-objcopy --strip-all build/win64/label_inspect.exe \
    "$dir/tools/label_inspect.exe"
  [ -n "$(font_chain)" ] || { echo "no font list found in tools/inspect/render/text_raster.h"; return 1; }
  while read -r file folder package; do
    cp "$folder/$file" "$dir/tools/fonts/"
    cp "/usr/share/doc/$package/copyright" "$dir/tools/fonts/$package.copyright.txt"
  done < <(font_chain)
  # The copyright files name the Apache licence by its Debian path: its text goes along.
  cp /usr/share/common-licenses/Apache-2.0 "$dir/tools/fonts/Apache-2.0.txt"
  sed -e "s/@VERSION@/$version/" src/resources/INSTALL.txt | windows_text - >"$dir/INSTALL.txt"
  windows_text src/resources/CHANGES.txt >"$dir/CHANGES.txt"
  (cd "$dir" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort | xargs -d '\n' sha256sum >SHA256SUMS)
  find "$dir" -type f -exec chmod 0644 {} + -exec touch -d "@$SOURCE_DATE_EPOCH" {} +
  # zip keeps DOS times in local time: UTC makes them the same everywhere. -X leaves out
  # owners and extra times, -D directory entries. Written beside and renamed, so that a
  # test reading the zip meanwhile sees a whole one.
  rm -f "$zip.new"
  (cd "$stage" && find "$name" -type f | LC_ALL=C sort | TZ=UTC zip -X -D -9 -@ "$zip.new")
  mv -f "$zip.new" "$zip"
}
step "packing dist/$name.zip" pack
say "$name.zip: $(stat -c %s "$zip") bytes, DLL $(stat -c %s build/win64/ZOV_PLUGIN_KDV6200.dll) bytes, label_inspect.exe $(stat -c %s "$root/build/package/$name/tools/label_inspect.exe") bytes"
say "sha256 $(sha256sum "$zip" | cut -d' ' -f1)  dist/$name.zip"

[ "$check" = yes ] || exit 0

# The second build: the tracked and new files of this checkout (not build/ or dist/),
# copied to another folder, with the same prebuilt libraries, built there at a later time.
copy="$root/build/repro"
copy_sources() {
  rm -rf "$copy" && mkdir -p "$copy/build/deps"
  git ls-files -z --cached --others --exclude-standard |
    tar --null -T - --ignore-failed-read -cf - | tar -xf - -C "$copy"
  cp -a build/deps/mingw "$copy/build/deps/"
}
step "copying the sources to build/repro" copy_sources
step "packing again in build/repro" bash "$copy/scripts/package.sh"
copy_zip="$copy/dist/$name.zip"
if ! cmp -s "$zip" "$copy_zip"; then
  echo "package: NOT REPRODUCIBLE: dist/$name.zip differs from the one built in build/repro" >&2
  mkdir -p "$copy/unpacked"
  (cd "$copy/unpacked" && cmake -E tar xf "$copy_zip")
  (cd "$copy/unpacked/$name" && sha256sum -c "$root/build/package/$name/SHA256SUMS") >&2 || true
  exit 1
fi
say "reproducible: build/repro gave the same bytes, sha256 $(sha256sum "$copy_zip" | cut -d' ' -f1)"
