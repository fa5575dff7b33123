#!/usr/bin/env bash
# Builds both trees and runs every test tier: native (sanitizers), win (the real DLL
# under Wine, then the sample job's report in headless Chromium), ui (dialogs under Wine
# and Xvfb), package (the release package, built twice in two folders, must come out byte
# for byte the same). Installs what it needs first.
# The win and ui tiers load the DLL that ships: build/win64 is the stripped Release build.
# Usage: scripts/test.sh [--tier native|win|ui|package]... [extra ctest arguments, e.g. -R Log]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/steps.sh"
cd "$root"

tiers=()
ctest_args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --tier) tiers+=("$2"); shift 2 ;;
    *) ctest_args+=("$1"); shift ;;
  esac
done
[ ${#tiers[@]} -gt 0 ] || tiers=(native win ui package)

bash scripts/setup.sh
export ZOV_SETUP_DONE=1
jobs=$(nproc)
start=$(date +%s)

wants() { printf '%s\n' "${tiers[@]}" | grep -qx "$1"; }

if wants native; then
  build_tree native
fi
if wants win || wants ui; then
  build_tree win64
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
# The sample job printed through the real DLL: every label's preview shows its base,
# images and fields; its report loads in headless Chromium with every preview decoded;
# the virtual printer's index, left open, shows the job sent to it and links its report;
# then a report of each whole job the win tier printed.
report_check() {
  local shots="$root/build/report-shots" stream job
  rm -rf "$shots" && mkdir -p "$shots"
  configure_native >/dev/null
  cmake --build build/native -j"$jobs" --target label_inspect render_test >/dev/null
  stream="$shots/sample_job.prn"
  build/win64/wine-run build/win64/sample_job.exe "Z:${stream//\//\\}" >"$shots/sample_job.log" || return 1
  ZOV_SAMPLE_STREAM="$stream" build/native/tests/native/render/render_test --gtest_filter='SampleJob*' \
    >"$shots/previews.txt" || { cat "$shots/previews.txt"; return 1; }
  build/native/tools/label_inspect report "$stream" --out "$shots/report" >/dev/null || return 1
  bash tests/browser/check_report.sh "$shots/report/report.html" "$shots" || return 1
  # The release zip's label_inspect.exe, unpacked alone, against the native tool.
  ZOV_SETUP_DONE=1 bash scripts/package.sh >/dev/null || return 1
  bash tests/win/release_tool/check_release_tool.sh "$(ls -t dist/*.zip | head -n 1)" "$stream" \
    build/native/tools/label_inspect build/win64/wine-run "$shots/release" || return 1
  bash tests/browser/check_serve.sh build/native/tools/label_inspect "$stream" "$shots/serve" || return 1
  for job in build/win64/wholejob-streams/*.prn; do
    build/native/tools/label_inspect report "$job" --out "$shots/wholejob/$(basename "$job" .prn)" >/dev/null ||
      { echo "test.sh: no report of $job"; return 1; }
  done
}
if wants win; then
  if report_check; then echo "test.sh: report check passed"; else echo "test.sh: report check FAILED"; status=1; fi
fi
if wants win || wants ui; then
  WINEPREFIX="$root/build/win64/wineprefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
fi
# The zip lists the tool, each font of the chain with its package's copyright file, and
# the licence text those refer to.
zip_contents_check() {
  local listing file
  listing=$(unzip -Z1 "$(ls -t dist/*.zip | head -n 1)") || return 1
  for file in tools/label_inspect.exe tools/fonts/Apache-2.0.txt CHANGES.txt INSTALL.txt SHA256SUMS \
              $(font_chain | awk '{print "tools/fonts/" $1, "tools/fonts/" $3 ".copyright.txt"}'); do
    grep -q "/$file\$" <<<"$listing" || { echo "test.sh: $file not in the release zip"; return 1; }
  done
}
if wants package; then
  bash scripts/package.sh --check || status=1
  zip_contents_check || status=1
fi

echo "test.sh: tiers ${tiers[*]} finished in $(( $(date +%s) - start ))s, $([ $status = 0 ] && echo 'all passed' || echo 'FAILURES')"
exit $status
