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

bash scripts/setup.sh --packages
export ZOV_SETUP_DONE=1
jobs=$(nproc)
start=$(date +%s)

wants() { printf '%s\n' "${tiers[@]}" | grep -qx "$1"; }

# tier NAME TREE: runs the tier's tests with ctest, the output in the lane's log; one
# line with the count, and the names of the tests that failed.
tier() {
  local name=$1 tree=$2 out="$root/build/ctest-$1.txt" begin=$SECONDS parallel=1
  # The Wine tests share one prefix and take it in turn; native ones run side by side.
  [ "$tree" = win64 ] || parallel=$jobs
  local result=0
  ctest --test-dir "build/$tree" -L "$name" -j"$parallel" --output-on-failure "${ctest_args[@]}" >"$out" 2>&1 ||
    result=1
  cat "$out" >>"$setup_log"
  echo "test.sh: $name tier: $(grep -E 'tests passed|No tests were found' "$out" | tail -n 1) ($((SECONDS - begin)) s)"
  if [ $result != 0 ]; then
    sed -n '/The following tests FAILED/,$p' "$out"
    echo "test.sh: $name tier FAILED: the whole output is in $out"
  fi
  return $result
}

# The sample job printed through the real DLL: every label's preview shows its base,
# images and fields; its report loads in headless Chromium with every preview decoded;
# the virtual printer's index, left open, shows the job sent to it and links its report;
# then a report of each whole job the win tier printed.
report_check() {
  local shots="$root/build/report-shots" stream job
  rm -rf "$shots" && mkdir -p "$shots"
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
  # Two at a time: the native tests may be done by then, and the processors free.
  printf '%s\0' build/win64/wholejob-streams/*.prn | xargs -0 -P "$jobs" -I{} sh -c \
    'build/native/tools/label_inspect report "$1" --out "$2/$(basename "$1" .prn)" >/dev/null ||
       { echo "test.sh: no report of $1"; exit 1; }' - {} "$shots/wholejob"
}

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
package_lane() {
  local result=0
  yield_to_windows_lane
  bash scripts/package.sh --check || result=1
  zip_contents_check || result=1
  return $result
}

# Two lanes run side by side, so that one's builds fill the time the other waits for Wine
# and Xvfb: native (the tools the report check needs, the rest of its build, then its
# tests) and windows (its build, then the tiers that load the DLL, each Wine tier in turn as
# they share one prefix, then the report check, with the package's second build beside
# them). A lane's builds and tests write to build/<lane>.log.
# The windows lane is the longer one (the mingw libraries, then its build, then the Wine
# tiers one at a time): the native lane and the package's second build yield the
# processors to it, and take them when it waits for Wine.
yield_to_windows_lane() { renice -n 5 -p "$BASHPID" >/dev/null; }
# The native lane builds the tools the report check needs first and says so through a
# file, so that the windows lane can run the check while the rest of the native tree builds.
tools_ready="$root/build/native-tools.ready"
rm -f "$tools_ready" "$tools_ready.failed"
native_tools() {
  if build_tree native label_inspect render_test; then touch "$tools_ready"; else touch "$tools_ready.failed"; return 1; fi
}
native_lane() {
  yield_to_windows_lane
  if wants win; then native_tools || return 1; fi
  build_tree native
  tier native native
}
windows_lane() {
  local result=0
  bash scripts/setup.sh
  build_tree win64
  if wants package; then
    lane package package_lane
  fi
  for name in win ui; do
    if wants "$name"; then tier "$name" win64 || result=1; fi
  done
  if wants win; then checked_reports || result=1; fi
  wait_lanes || result=1
  return $result
}
# The report check, once the native tools are built; it needs the DLL's sample job and the
# Wine prefix, which the Wine tiers have left.
checked_reports() {
  while [ ! -e "$tools_ready" ]; do
    [ ! -e "$tools_ready.failed" ] || { echo "test.sh: report check not run: the native tools did not build"; return 1; }
    sleep 1
  done
  if report_check >>"$setup_log" 2>&1; then
    echo "test.sh: report check passed"
  else
    echo "test.sh: report check FAILED (its output is in $setup_log)"
    return 1
  fi
}
wine_tiers() { wants win || wants ui; }

status=0
if wants native; then
  lane native native_lane
elif wants win; then
  lane native native_tools
fi
if wine_tiers; then
  lane windows windows_lane
elif wants package; then
  bash scripts/setup.sh
  lane package package_lane
fi
wait_lanes || status=1

if wine_tiers; then
  WINEPREFIX="$root/build/win64/wineprefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
fi

echo "test.sh: tiers ${tiers[*]} finished in $(( $(date +%s) - start ))s, $([ $status = 0 ] && echo 'all passed' || echo 'FAILURES')"
exit $status
