#!/usr/bin/env bash
# Opens a job report in headless Chromium and fails when the page does not load or any
# image on it does not decode; saves screenshots at desktop and phone widths.
# With --no-screenshots, only the check (each browser start costs seconds of processor).
# Usage: tests/browser/check_report.sh [--no-screenshots] REPORT.html SHOT_DIR
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
screenshots=yes
[ "${1:-}" != --no-screenshots ] || { screenshots=no; shift; }
[ $# = 2 ] || { echo "usage: $0 [--no-screenshots] REPORT.html SHOT_DIR" >&2; exit 2; }
[ -f "$1" ] || { echo "check_report: no report at $1" >&2; exit 1; }
report=$(realpath "$1")
mkdir -p "$2"
shots=$(realpath "$2")
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT

# A fresh profile and nothing that reaches the network: the page must work offline.
browser() {
  timeout 60 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync --user-data-dir="$profile" \
    --allow-file-access-from-files "$@" 2>/dev/null
}

cp "$here/check_page.html" "$shots/check_page.html"
result=$(browser --dump-dom "file://$shots/check_page.html?report=file://$report" |
         grep -o 'data-result="[^"]*"' || true)
if [ $screenshots = yes ]; then
  browser --window-size=1280,2200 --screenshot="$shots/report-desktop.png" "file://$report" >/dev/null
  browser --window-size=390,2200 --screenshot="$shots/report-phone.png" "file://$report" >/dev/null
fi
message="check_report: ${result:-no result: the check page did not finish}"
[ $screenshots = no ] || message+="; screenshots in $shots"
echo "$message"
case "$result" in
  'data-result="ok:'*) exit 0 ;;
  *) exit 1 ;;
esac
