#!/usr/bin/env bash
# The label_inspect.exe of the release zip, unpacked to a fresh folder, against the
# native tool on the same streams: it imports system DLLs only; under Wine its previews
# equal the native ones pixel for pixel, its report passes the browser check, and its
# check prints the same lines with the same exit status on the sample job and on a
# broken stream.
# Usage: tests/win/release_tool/check_release_tool.sh ZIP STREAM NATIVE_TOOL WINE_RUN WORK_DIR
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
[ $# = 5 ] || { echo "usage: $0 ZIP STREAM NATIVE_TOOL WINE_RUN WORK_DIR" >&2; exit 2; }
zip=$(realpath "$1") stream=$(realpath "$2") native=$(realpath "$3") wine_run=$(realpath "$4") work=$5
fail() { echo "check_release_tool: $*" >&2; exit 1; }

rm -rf "$work" && mkdir -p "$work/unpacked"
work=$(realpath "$work")
(cd "$work/unpacked" && unzip -q "$zip") || fail "cannot unpack $zip"
tool=$(echo "$work"/unpacked/*/tools/label_inspect.exe)
[ -f "$tool" ] || fail "no tools/label_inspect.exe in $zip"
windows() { "$wine_run" "$tool" "$@"; }

# Linked statically, as the plug-in: nothing to install beside it.
for dll in $(x86_64-w64-mingw32-objdump -p "$tool" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z'); do
  case "$dll" in
    kernel32.dll | user32.dll | gdi32.dll | winspool.drv | shell32.dll | advapi32.dll | msvcrt.dll) ;;
    ws2_32.dll | mswsock.dll) ;;  # Winsock, for label_inspect serve
    *) fail "label_inspect.exe imports $dll, which is not a system DLL" ;;
  esac
done

# Previews: the same files, the same pixels (compared as decoded pixels, not PNG bytes).
"$native" render "$stream" --out "$work/native" >/dev/null || fail "native render failed"
windows render "$stream" --out "$work/windows" >/dev/null || fail "label_inspect.exe render failed"
[ "$(cd "$work/native" && ls)" = "$(cd "$work/windows" && ls)" ] || fail "the two renders wrote different files"
for png in "$work"/native/*.png; do
  differing=$(compare -metric AE "$png" "$work/windows/$(basename "$png")" null: 2>&1) || true
  [ "$differing" = 0 ] || fail "$(basename "$png"): $differing pixels differ from the native preview"
done

windows report "$stream" --out "$work/report" >/dev/null || fail "label_inspect.exe report failed"
bash "$here/../../browser/check_report.sh" "$work/report/report.html" "$work/report-shots" || fail "browser check"

# check: lines and exit status; the broken stream ends inside a download.
head -c "$(( $(stat -c %s "$stream") * 2 / 3 ))" "$stream" >"$work/broken.prn"
for input in "$stream" "$work/broken.prn"; do
  # Standard output only: Wine may add lines of its own on standard error.
  "$native" check "$input" >"$work/check-native.txt"
  native_status=$?
  windows check "$input" | tr -d '\r' >"$work/check-windows.txt"
  windows_status=${PIPESTATUS[0]}
  [ "$native_status" = "$windows_status" ] || fail "check $(basename "$input"): exit $windows_status, natively $native_status"
  diff "$work/check-native.txt" "$work/check-windows.txt" >&2 || fail "check $(basename "$input"): lines differ"
done
echo "check_release_tool: previews equal, report loads, check agrees on both streams"
