#!/usr/bin/env bash
# Runs the sample print job: builds the DLL and the sample-job host, prints a job
# through the real DLL into a Wine printer on FILE:, and writes the command stream,
# a readable listing, the checker's report and the downloaded PNG images under build/demo/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/setup.sh

jobs=$(nproc)
cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/win64 -j"$jobs" --target zov_plugin sample_job
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j"$jobs" --target label_inspect

demo="$root/build/demo"
rm -rf "$demo" && mkdir -p "$demo/png"
stream="$demo/sample_job.prn"
# Wine sees the Unix root as drive Z:.
build/win64/wine-run build/win64/sample_job.exe "Z:${stream//\//\\}" | tee "$demo/sample_job.log"
build/native/tools/label_inspect list "$stream" --extract "$demo/png" >"$demo/sample_job.txt"
# The checker's report: no error expected (warnings name what the printer clips or what the plug-in writes on purpose).
checked=0
build/native/tools/label_inspect check "$stream" >"$demo/sample_job.check.txt" || checked=$?
# The job report: settings in words, each label's preview beside its commands.
build/native/tools/label_inspect report "$stream" --out "$demo" >/dev/null
WINEPREFIX="$root/build/win64/wineprefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true

echo
echo "demo: $(stat -c %s "$stream") bytes in $stream"
echo "demo: listing in $demo/sample_job.txt, images in $demo/png/"
cat "$demo/sample_job.txt"
echo
echo "demo: the checker's report, in $demo/sample_job.check.txt:"
cat "$demo/sample_job.check.txt"
echo
echo "demo: job report (open it in a browser): $demo/report.html"
exit "$checked"
