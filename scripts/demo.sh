#!/usr/bin/env bash
# Runs the sample print job: builds the DLL and the sample-job host, prints a job
# through the real DLL into a Wine printer on FILE:, and writes the command stream,
# a readable listing and the downloaded PNG images under build/demo/.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/steps.sh"
cd "$root"
bash scripts/setup.sh

build_tree win64 zov_plugin sample_job
build_tree native command_listing

demo="$root/build/demo"
rm -rf "$demo" && mkdir -p "$demo/png"
stream="$demo/sample_job.prn"

run_sample_job() {
  # Wine sees the Unix root as drive Z:.
  build/win64/wine-run build/win64/sample_job.exe "Z:${stream//\//\\}" | tee "$demo/sample_job.log"
  WINEPREFIX="$root/build/win64/wineprefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
}
step "printing the sample job through the DLL under Wine" run_sample_job
step "writing the listing and the images" \
  build/native/tools/listing/command_listing "$stream" "$demo/sample_job.txt" --extract "$demo/png"

# What was written, one line each.
wrote() { printf '  %-16s %s\n' "$1" "$2"; }
say "wrote under build/demo/:"
wrote sample_job.prn "$(stat -c %s "$stream") bytes, the command stream the printer receives (two jobs)"
wrote sample_job.log "$(wc -l <"$demo/sample_job.log") lines, the host's log of every call into the DLL"
wrote sample_job.txt "$(wc -l <"$demo/sample_job.txt") lines, the listing: one command per line"
wrote png/ "$(find "$demo/png" -type f | wc -l) PNG images the jobs download to the printer"
