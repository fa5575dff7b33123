#!/usr/bin/env bash
# The virtual printer seen in headless Chromium: the index, left open, shows a job sent
# after it was loaded (it reloads itself), and that job's report loads with every image
# decoded (check_report.sh). Saves screenshots of the index and the report.
# Usage: tests/browser/check_serve.sh LABEL_INSPECT JOB.prn SHOT_DIR
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
[ $# = 3 ] || { echo "usage: $0 LABEL_INSPECT JOB.prn SHOT_DIR" >&2; exit 2; }
tool=$(realpath "$1")
job=$(realpath "$2")
rm -rf "$3" && mkdir -p "$3"
shots=$(realpath "$3")
profile=$(mktemp -d)
server=""
cleanup() {
  [ -z "$server" ] || kill -INT "$server" 2>/dev/null || true
  [ -z "$server" ] || wait "$server" 2>/dev/null || true
  rm -rf "$profile"
}
trap cleanup EXIT
fail() { echo "check_serve: $*" >&2; exit 1; }

timeout 300 "$tool" serve --listen 127.0.0.1:0 --out "$shots/out" >"$shots/serve.txt" 2>&1 &
server=$!
for _ in $(seq 100); do grep -q '^listening on' "$shots/serve.txt" && break; sleep 0.1; done
port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\);.*/\1/p' "$shots/serve.txt")
[ -n "$port" ] || fail "the server did not start: $(cat "$shots/serve.txt")"
send() { cat "$job" >"/dev/tcp/127.0.0.1/$port"; }

# Chromium opening a named pipe is the page's signal: writing it unblocks once it does (and
# fails when Chromium closes it unread, which is no matter); only the time limit is a failure.
mkfifo "$shots/loaded" "$shots/seen" "$shots/gate"
await() {
  local status=0
  timeout "$2" bash -c "echo >'$shots/$1'" 2>/dev/null || status=$?
  [ "$status" != 124 ] || fail "the page never signalled '$1'"
}
cp "$here/check_index.html" "$shots/check_index.html"
timeout 300 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync --user-data-dir="$profile" \
  --allow-file-access-from-files --dump-dom \
  "file://$shots/check_index.html?index=file://$shots/out/index.html&signals=file://$shots" \
  >"$shots/index-dom.html" 2>/dev/null &
browser=$!
await loaded 60
send
await seen 120
await gate 10
wait "$browser" || true
result=$(grep -o 'data-result="[^"]*"' "$shots/index-dom.html" || true)
echo "check_serve: index ${result:-gave no result}"
report=$(sed -n 's/^data-result="ok: \(.*\)"$/\1/p' <<<"$result")
[ -n "$report" ] || exit 1

send  # a second job for the screenshot of the list
for _ in $(seq 600); do [ "$(grep -c '^received' "$shots/serve.txt")" -ge 2 ] && break; sleep 0.2; done
timeout 60 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync --user-data-dir="$profile" \
  --window-size=1280,700 --screenshot="$shots/index.png" "file://$shots/out/index.html" >/dev/null 2>&1
# The same job as the sample report, whose screenshots the report check has taken.
bash "$here/check_report.sh" --no-screenshots "$shots/out/$report" "$shots"
