# Sourced by the scripts in this folder: runs each long step of setting up and building
# quietly, as one line on the terminal, with its whole output appended to build/setup.log.
# A step that fails prints its last lines and the log's path, and ends the script.
# Also holds the one configuration of each build tree, so that every script builds the
# same trees the same way (a tree configured two ways would rebuild on every switch).

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
setup_log="$root/build/setup.log"
mkdir -p "$root/build"
touch "$setup_log"

# say TEXT: one line of progress from the running script.
say() { echo "$(basename "$0" .sh): $*"; }

# step TEXT COMMAND [ARGS...]: runs the command (a function may be given) with its output
# in the log; prints "TEXT ... done (N s)", or the failure with the end of its output.
# On a terminal the line shows the build's percentage while the step runs.
step() {
  local text=$1
  shift
  local start=$SECONDS first status watcher=""
  local line
  line="$(basename "$0" .sh): $text ..."
  first=$(($(wc -l <"$setup_log") + 1))
  echo "=== $text ($(date '+%F %T'))" >>"$setup_log"
  printf '%s ' "$line"
  if [ -t 1 ]; then
    show_progress "$line" "$first" &
    watcher=$!
  fi
  # Errors inside the step end it (set -e holds in the subshell; it would not under if or ||).
  set +e
  (set -e; "$@") >>"$setup_log" 2>&1 </dev/null
  status=$?
  set -e
  if [ -n "$watcher" ]; then
    kill "$watcher" 2>/dev/null
    wait "$watcher" 2>/dev/null || true
    printf '\r\033[K%s ' "$line"
  fi
  if [ "$status" -eq 0 ]; then
    echo "done ($((SECONDS - start)) s)"
    return 0
  fi
  echo "FAILED (exit status $status)"
  tail -n "+$first" "$setup_log" | tail -n 30 >&2
  echo "The whole output is in $setup_log" >&2
  exit "$status"
}

# show_progress LINE FIRST: rewrites LINE with the last "[ NN%]" that the build wrote
# to the log since line FIRST, once a second.
show_progress() {
  local line=$1 first=$2 percent
  while sleep 1; do
    percent=$(tail -n "+$first" "$setup_log" | grep -o '^\[ *[0-9]*%\]' | tail -n 1 | tr -d '[] ')
    [ -z "$percent" ] || printf '\r\033[K%s %s' "$line" "$percent"
  done
}

# font_chain: the fonts previews draw with, from the one list in
# tools/inspect/render/text_raster.h, one "file folder package" a line.
font_chain() {
  sed -n 's/^ *{"\([^"]*\.ttf\)", "\([^"]*\)", "\([^"]*\)"},$/\1 \2 \3/p' "$root/tools/inspect/render/text_raster.h"
}

# The two build trees: native (host g++, sanitizers) and win64 (mingw-w64, the Release
# build whose stripped DLL ships and is what the win and ui tiers load).
configure_native() {
  cmake -S "$root" -B "$root/build/native" -Wno-dev -DCMAKE_BUILD_TYPE=RelWithDebInfo
}
configure_win64() {
  cmake -S "$root" -B "$root/build/win64" -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=Release
}

# forget_moved_tree native|win64: a tree configured for another folder (a copied checkout
# brings its build folder along) cannot be reused: say so in one line and start afresh.
forget_moved_tree() {
  local cache="$root/build/$1/CMakeCache.txt" home
  [ -f "$cache" ] || return 0
  home=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$cache")
  [ "$home" != "$root" ] || return 0
  say "build/$1 was configured in $home, not here: building it afresh"
  rm -rf "$root/build/$1"
}

# build_tree native|win64 [TARGET...]: configures the tree and builds the targets (all
# when none are given), as one step.
build_tree() {
  forget_moved_tree "$1"
  step "building build/$1${2:+ (${*:2})}" configure_and_build "$@"
}
configure_and_build() {
  local tree=$1
  shift
  "configure_$tree"
  if [ $# -gt 0 ]; then
    cmake --build "$root/build/$tree" -j"$(nproc)" --target "$@"
  else
    cmake --build "$root/build/$tree" -j"$(nproc)"
  fi
}
