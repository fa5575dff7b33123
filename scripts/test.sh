#!/usr/bin/env bash
# Builds both trees and runs every test tier: native (sanitizers), win (the real DLL
# under Wine, then the sample job's report in headless Chromium), ui (dialogs under Wine
# and Xvfb). Installs what it needs first.
# Usage: scripts/test.sh [--tier native|win|ui]... [extra ctest arguments, e.g. -R Log]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

tiers=()
ctest_args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --tier) tiers+=("$2"); shift 2 ;;
    *) ctest_args+=("$1"); shift ;;
  esac
done
[ ${#tiers[@]} -gt 0 ] || tiers=(native win ui)

bash scripts/setup.sh
jobs=$(nproc)
start=$(date +%s)

wants() { printf '%s\n' "${tiers[@]}" | grep -qx "$1"; }

if wants native; then
  cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/native -j"$jobs"
fi
if wants win || wants ui; then
  cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/win64 -j"$jobs"
fi

status=0
if wants native; then
  ctest --test-dir build/native -L native -j"$jobs" --output-on-failure "${ctest_args[@]}" || status=1
fi
for tier in win ui; do
  if wants "$tier"; then
    ctest --test-dir build/win64 -L "$tier" --output-on-failure "${ctest_args[@]}" || status=1
  fi
done
if wants win; then
  # The sample job's report in headless Chromium: it must load and every preview decode.
  shots="$root/build/report-shots"
  rm -rf "$shots" && mkdir -p "$shots"
  cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/native -j"$jobs" --target label_inspect >/dev/null
  stream="$shots/sample_job.prn"
  if build/win64/wine-run build/win64/sample_job.exe "Z:${stream//\//\\}" >"$shots/sample_job.log" &&
     build/native/tools/label_inspect report "$stream" --out "$shots/report" >/dev/null &&
     bash tests/browser/check_report.sh "$shots/report/report.html" "$shots"; then
    echo "test.sh: report check passed"
  else
    echo "test.sh: report check FAILED (see $shots)"
    status=1
  fi
fi
if wants win || wants ui; then
  WINEPREFIX="$root/build/win64/wineprefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
fi

echo "test.sh: tiers ${tiers[*]} finished in $(( $(date +%s) - start ))s, $([ $status = 0 ] && echo 'all passed' || echo 'FAILURES')"
exit $status
