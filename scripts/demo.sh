#!/usr/bin/env bash
# Runs the sample print job: builds the DLL and the sample-job host, prints a job
# through the real DLL into a Wine printer on FILE:, and writes the command stream,
# a readable listing, the checker's report and the downloaded PNG images under build/demo/.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/steps.sh"
cd "$root"
bash scripts/setup.sh --packages

# The DLL and the host, and the optimised label_inspect, built side by side.
windows_lane() {
  bash scripts/setup.sh
  build_tree win64 zov_plugin sample_job
}
lane windows windows_lane
lane release build_tree release label_inspect
wait_lanes
inspect=build/release/tools/label_inspect

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
  sh -c '"$0" list "$1" --extract "$2" >"$3"' "$inspect" "$stream" "$demo/png" "$demo/sample_job.txt"
# The checker's report: no error expected (warnings name what the printer clips or what
# the plug-in writes on purpose).
checked=0
"$inspect" check "$stream" >"$demo/sample_job.check.txt" || checked=$?
# The job report: settings in words, each label's preview beside its commands.
step "writing the job report with a preview of every label" \
  sh -c '"$0" report "$1" --out "$2" >/dev/null' "$inspect" "$stream" "$demo"

# What was written, one line each.
wrote() { printf '  %-20s %s\n' "$1" "$2"; }
say "wrote under build/demo/:"
wrote sample_job.prn "$(stat -c %s "$stream") bytes, the command stream the printer receives (two jobs)"
wrote sample_job.log "$(wc -l <"$demo/sample_job.log") lines, the host's log of every call into the DLL"
wrote sample_job.txt "$(wc -l <"$demo/sample_job.txt") lines, the listing: one command per line"
wrote sample_job.check.txt "the checker's report: $(tail -n 1 "$demo/sample_job.check.txt")"
wrote png/ "$(find "$demo/png" -type f | wc -l) PNG images the jobs download to the printer"
wrote report.html "the job report with a preview of every label: open $demo/report.html in a browser"
exit "$checked"
