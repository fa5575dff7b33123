#!/usr/bin/env bash
# Runs every fuzz target of fuzz/ for the given number of seconds each (default 60), one
# after another, in the clang tree build/fuzz. New inputs that add coverage are merged,
# minimised, into fuzz/corpus/<target>/; an input that finds a fault is saved under
# fuzz/regressions/<target>/ with a one-line command that reproduces it. Commit both:
# the native tests replay them.
# Usage: scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
seconds=${1:-60}
shift $(( $# > 0 ? 1 : 0 ))

# The fuzz tree needs clang and its sanitizer and libFuzzer runtimes; the tests do not.
if ! dpkg-query -W -f='${Status}\n' clang libclang-rt-14-dev 2>/dev/null | grep -c 'install ok installed' | grep -qx 2; then
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends clang libclang-rt-14-dev
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/*_fuzz.cpp; do
    name=$(basename "$source" _fuzz.cpp)
    targets+=("$name")
  done
fi

build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DZOV_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/%/_fuzz}"

found=0
for target in "${targets[@]}"; do
  program="$build/fuzz/${target}_fuzz"
  corpus="fuzz/corpus/$target"
  regressions="fuzz/regressions/$target"
  fresh="$build/new/$target"
  mkdir -p "$corpus" "$regressions" "$fresh"
  log="$build/$target.log"
  echo "fuzz: $target for ${seconds}s (log: $log)"
  # Inputs up to 64 KiB; 2 GiB of memory and 20 s per input count as findings (slower
  # inputs are not saved on their own).
  status=0
  "$program" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -timeout=20 -report_slow_units=20 \
    -artifact_prefix="$regressions/" -print_final_stats=1 "$fresh" "$corpus" >"$log" 2>&1 || status=$?
  grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "$log" | tail -n 2 | sed "s/^/fuzz: $target: /" || true
  if [ $status -ne 0 ]; then
    found=1
    artifact=$(grep -o "Test unit written to .*" "$log" | tail -n 1 | sed 's/Test unit written to //')
    grep -m 3 -E 'ERROR|property failed|SUMMARY' "$log" | sed "s/^/fuzz: $target: /" || true
    echo "fuzz: FINDING in $target, reproduce with: $program ${artifact:-<see $log>}"
  fi
  # Merge the committed corpus and the new entries into a minimal set that keeps every feature.
  merged="$build/merged/$target"
  rm -rf "$merged" && mkdir -p "$merged"
  if "$program" -merge=1 -max_len=65536 -rss_limit_mb=2048 -timeout=20 "$merged" "$corpus" "$fresh" \
       >"$build/$target.merge.log" 2>&1; then
    rm -rf "$corpus" && mv "$merged" "$corpus" && rm -rf "$fresh"
  else
    found=1
    echo "fuzz: $target: merging failed (see $build/$target.merge.log); new entries left in $fresh"
  fi
  echo "fuzz: $target: corpus $(ls "$corpus" | wc -l) files, $(du -sb "$corpus" | cut -f1) bytes"
done
[ $found -eq 0 ] && echo "fuzz: no findings" || echo "fuzz: FINDINGS above"
exit $found
