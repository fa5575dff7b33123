#!/usr/bin/env bash
# Builds the benchmarks in build/bench (Release, no sanitizers) and runs them: the graphic
# download against plain libpng and plain zlib on two labels, then peak memory; then
# checking a 1000-label job stream against one zlib crc32 pass; then rendering a job's
# labels against the plug-in's encoding of their images.
# Usage: scripts/bench.sh [Google Benchmark flags, e.g. --benchmark_min_time=2]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cmake -S "$root" -B "$root/build/bench" -DZOV_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$root/build/bench" --target download_bench stream_bench render_bench -j2 >/dev/null
"$root/build/bench/bench/download_bench" "$@"
echo
"$root/build/bench/bench/stream_bench"
echo
"$root/build/bench/bench/render_bench"
