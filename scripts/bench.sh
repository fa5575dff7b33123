#!/usr/bin/env bash
# Builds the benchmarks and runs them; prints the targets and their figures first, then
# the details.
#  (a) whole jobs through the real DLL under Wine (bench/whole_job): a dynamic 2 x 2 job at
#      600 dpi of 200 and of 1000 labels, each label with its own 1100 x 560 24-bit image,
#      text-like and photo-like; per-phase thread CPU ms per label, labels per second of
#      plug-in CPU, bytes per label, and the peak resident memory of the Wine process,
#      sampled from outside (VmHWM);
#  (b) DownloadGraphic against plain libpng and zlib alone, interleaved round-robin, in
#      build/release (native, optimised, no sanitizers);
#  (c) checking a 1000-label job stream against one zlib crc32 pass over the same bytes;
#  (d) rendering a job's labels against the plug-in's encoding of their images;
#  (e) label_inspect serve receiving 200 jobs of the sample job's size and 20 of 50 MB from
#      8 clients at once over loopback, against a plain loopback copy of the same bytes to
#      files: every job compared by CRC, throughput ratio, peak memory of the server.
# The machine may be shared: only ratios within one run mean much.
# Usage: scripts/bench.sh [--labels "200 1000"] [--images "text photo"] [--rounds N] [--compare DLL-FOLDER]
#                        [--only serve]
#   --compare runs every whole job also with the DLL in that folder, alternating with
#   this tree's, and prints both. The jobs run in a Wine prefix of their own, so tests
#   running at the same time are not disturbed.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/steps.sh"
cd "$root"

label_counts="200 1000"
images="text photo"
rounds=15
compare=""
only=""
while [ $# -gt 0 ]; do
  case "$1" in
    --labels) label_counts="$2"; shift 2 ;;
    --images) images="$2"; shift 2 ;;
    --rounds) rounds="$2"; shift 2 ;;
    --compare) compare=$(cd "$2" && pwd); shift 2 ;;
    --only) only="$2"; shift 2 ;;
    *) echo "usage: scripts/bench.sh [--labels \"200 1000\"] [--images \"text photo\"] [--rounds N]" \
         "[--compare DLL-FOLDER] [--only serve]" >&2; exit 1 ;;
  esac
done

bash scripts/setup.sh
configure_release >/dev/null
cmake --build build/release --target download_bench stream_bench render_bench serve_bench label_inspect -j2 >/dev/null
configure_win64 >/dev/null
cmake --build build/win64 --target zov_plugin whole_job_bench sample_job -j2 >/dev/null

export ZOV_WINEPREFIX="$root/build/win64/bench-wineprefix"
results="$root/build/bench/results"
rm -rf "$results" && mkdir -p "$results"
windows_path() { echo "Z:${1//\//\\}"; }

# One whole job: its "whole_job:" line with the peak resident memory appended.
run_job() {
  local labels=$1 image=$2 dll=$3 tag=$4
  local prn="$results/$tag-$image-$labels.prn" log="$results/$tag-$image-$labels.log"
  build/win64/wine-run build/win64/whole_job_bench.exe "$labels" "$image" "$(windows_path "$prn")" \
    "$(windows_path "$dll")" >"$log" 2>&1 &
  local runner=$! peak=0 child hwm
  while kill -0 "$runner" 2>/dev/null; do
    for child in $(pgrep -P "$runner" || true); do
      hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/$child/status" 2>/dev/null || true)
      [ -n "$hwm" ] && [ "$hwm" -gt "$peak" ] && peak=$hwm
    done
    sleep 0.1
  done
  wait "$runner" || true
  local line
  line=$(grep '^whole_job:' "$log" || echo "whole_job: labels=$labels image=$image failed=1")
  echo "$line dll=$tag peak_rss_mb=$(awk -v k="$peak" 'BEGIN {printf "%.0f", k / 1024}')"
  rm -f "$prn"
}

# (e) The virtual printer, with the sample job the DLL prints as the small job.
serve_bench() {
  local sample="$results/sample_job.prn"
  build/win64/wine-run build/win64/sample_job.exe "$(windows_path "$sample")" >"$results/sample_job.log" 2>&1
  build/release/bench/serve_bench build/release/tools/label_inspect "$sample" "$results/serve" >"$results/serve.txt" ||
    echo "serve: FAILED" >>"$results/serve.txt"
}
if [ "$only" = serve ]; then
  serve_bench
  WINEPREFIX="$ZOV_WINEPREFIX" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  cat "$results/serve.txt"
  exit 0
fi

# (b) first: it runs natively and needs no Wine.
build/release/bench/download_bench --rounds "$rounds" >"$results/download.txt"
build/release/bench/stream_bench >"$results/stream.txt"
build/release/bench/render_bench >"$results/render.txt"
serve_bench

for labels in $label_counts; do
  for image in $images; do
    run_job "$labels" "$image" "$root/build/win64" this >>"$results/whole_job.txt"
    if [ -n "$compare" ]; then
      run_job "$labels" "$image" "$compare" compared >>"$results/whole_job.txt"
    fi
  done
done
WINEPREFIX="$ZOV_WINEPREFIX" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true

value() { sed -n "s/.* $1=\([^ ]*\).*/\1/p" <<<"$2"; }
verdict() { awk -v v="$1" -v l="$2" -v op="$3" 'BEGIN { ok = op == "<=" ? v <= l : v >= l; print ok ? "met" : "MISSED" }'; }

echo "Targets (this tree; the largest whole job of each kind)"
printf '%-52s %10s %8s  %s\n' "figure" "measured" "target" ""
largest=$(echo "$label_counts" | tr ' ' '\n' | sort -n | tail -1)
for image in $images; do
  line=$(grep "labels=$largest image=$image .*dll=this" "$results/whole_job.txt" || true)
  [ -n "$line" ] || continue
  ratio=$(awk -v c="$(value capture_ms_per_label "$line")" -v e="$(value encode_ms_per_label "$line")" \
    'BEGIN {printf "%.3f", (e > 0 ? c / e : 99)}')
  printf '%-52s %10s %8s  %s\n' "capture / encode per label, $image, $largest labels" "$ratio" "<= 0.25" \
    "$(verdict "$ratio" 0.25 '<=')"
  if [ "$image" = text ]; then
    rate=$(value labels_per_cpu_s "$line")
    printf '%-52s %10s %8s  %s\n' "labels/s of plug-in CPU, text, $largest labels" "$rate" ">= 240" \
      "$(verdict "$rate" 240 '>=')"
  fi
done
for method in "plain libpng:1.03" "plain zlib:1.15"; do
  name=${method%:*} limit=${method#*:}
  ratio=$(sed -n "s/^ratio: 100x50mm DownloadGraphic \/ $name: median \([0-9.]*\).*/\1/p" "$results/download.txt")
  printf '%-52s %10s %8s  %s\n' "DownloadGraphic / $name, 100 x 50 mm, median" "$ratio" "<= $limit" \
    "$(verdict "$ratio" "$limit" '<=')"
done

echo
echo "(a) Whole jobs under Wine: thread CPU ms per label and phase (capture = vpiSendBitmap of the"
echo "    variable image, encode = vpiReferToVariableBitmap, fields = two texts and a clock, pages ="
echo "    page calls, spool = vpiWritePrinter), peak resident memory of the Wine process"
printf '%-9s %6s %-6s %8s %8s %8s %8s %8s %8s %9s %9s %11s %8s\n' dll labels image setup capture encode fields \
  pages spool "ms/label" labels/s bytes/label "peak MB"
while read -r line; do
  [ -n "$(value cpu_ms_per_label "$line")" ] || { echo "$line"; continue; }
  printf '%-9s %6s %-6s %8s %8s %8s %8s %8s %8s %9s %9s %11s %8s\n' "$(value dll "$line")" "$(value labels "$line")" \
    "$(value image "$line")" "$(value setup_ms_per_label "$line")" "$(value capture_ms_per_label "$line")" \
    "$(value encode_ms_per_label "$line")" "$(value fields_ms_per_label "$line")" \
    "$(value pages_ms_per_label "$line")" "$(value spool_ms_per_label "$line")" \
    "$(value cpu_ms_per_label "$line")" "$(value labels_per_cpu_s "$line")" "$(value bytes_per_label "$line")" \
    "$(value peak_rss_mb "$line")"
done <"$results/whole_job.txt"

serve_ratio=$(sed -n 's/^ratio: serve \/ plain copy throughput: median \([0-9.]*\).*/\1/p' "$results/serve.txt")
printf '%-52s %10s %8s  %s\n' "serve / plain loopback copy, throughput, median" "${serve_ratio:-?}" ">= 0.8" \
  "$(verdict "${serve_ratio:-0}" 0.8 '>=')"

echo
echo "(b) DownloadGraphic, plain libpng, zlib alone"
grep -v '^ratio:' "$results/download.txt"

echo
echo "(c) Checking a 1000-label job stream against one crc32 pass"
cat "$results/stream.txt"

echo
echo "(d) Rendering a job's labels against the plug-in's encoding of their images"
cat "$results/render.txt"

echo
echo "(e) label_inspect serve against a plain loopback copy to files"
cat "$results/serve.txt"
