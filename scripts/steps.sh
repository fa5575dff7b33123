# Sourced by the scripts in this folder: runs each long step of setting up and building
# quietly, as one line on the terminal, with its whole output appended to build/setup.log.
# A step that fails prints its last lines and the log's path, and ends the script.
# Also holds the one configuration of each build tree, so that every script builds the
# same trees the same way (a tree configured two ways would rebuild on every switch).

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# New build trees use Ninja: it schedules a whole tree at once (a library's users compile
# while it links) and runs no CMake command per file, as Makefiles do. A tree made before
# with Makefiles keeps them.
export CMAKE_GENERATOR=Ninja
# A lane (see lane below) sets ZOV_STEP_LOG to a log of its own.
setup_log="${ZOV_STEP_LOG:-$root/build/setup.log}"
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
  # Steps of lanes running side by side print their line whole, once done.
  [ -n "${ZOV_STEP_LOG:-}" ] || printf '%s ' "$line"
  if [ -t 1 ] && [ -z "${ZOV_STEP_LOG:-}" ]; then
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
  [ -z "${ZOV_STEP_LOG:-}" ] || printf '%s ' "$line"
  if [ "$status" -eq 0 ]; then
    echo "done ($((SECONDS - start)) s)"
    return 0
  fi
  echo "FAILED (exit status $status)"
  tail -n "+$first" "$setup_log" | tail -n 30 >&2
  echo "The whole output is in $setup_log" >&2
  exit "$status"
}

# show_progress LINE FIRST: rewrites LINE with the build's progress, the last "[N/M]"
# (Ninja) or "[ NN%]" (Makefiles) written to the log since line FIRST, once a second.
show_progress() {
  local line=$1 first=$2 percent
  while sleep 1; do
    percent=$(tail -n "+$first" "$setup_log" | grep -oE '^\[ *[0-9]+(%|/[0-9]+)\]' | tail -n 1 |
              awk -F'[][/% ]+' '{ print ($3 == "" ? $2 : int(100 * $2 / $3)) "%" }')
    [ -z "$percent" ] || printf '\r\033[K%s %s' "$line" "$percent"
  done
}

# font_chain: the fonts previews draw with, from the one list in
# tools/inspect/render/text_raster.h, one "file folder package" a line.
font_chain() {
  sed -n 's/^ *{"\([^"]*\.ttf\)", "\([^"]*\)", "\([^"]*\)"},$/\1 \2 \3/p' "$root/tools/inspect/render/text_raster.h"
}

# lane NAME COMMAND [ARGS...]: runs the command in the background beside the script and
# other lanes, its steps' output in build/NAME.log; `wait_lanes` collects them.
lane_pids=()
lane() {
  local name=$1
  shift
  (
    lane_pids=()
    export ZOV_STEP_LOG="$root/build/$name.log"
    setup_log=$ZOV_STEP_LOG
    : >"$setup_log"
    "$@"
  ) &
  lane_pids+=($!)
}
# wait_lanes: waits for every lane; fails when one failed.
wait_lanes() {
  local pid failed=0
  for pid in "${lane_pids[@]}"; do
    wait "$pid" || failed=1
  done
  lane_pids=()
  return "$failed"
}

# The three build trees: native (host g++, sanitizers: the unit tests), win64 (mingw-w64,
# the Release build whose stripped DLL ships and is what the win and ui tiers load) and
# release (host g++, optimised, no sanitizers and no tests: the label_inspect people run,
# and the benchmarks).
configure_native() {
  cmake -S "$root" -B "$root/build/native" -Wno-dev -DCMAKE_BUILD_TYPE=RelWithDebInfo
}
configure_release() {
  cmake -S "$root" -B "$root/build/release" -Wno-dev -DCMAKE_BUILD_TYPE=Release -DZOV_SANITIZE=OFF \
        -DBUILD_TESTING=OFF
}
configure_win64() {
  cmake -S "$root" -B "$root/build/win64" -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=Release
}

# forget_moved_tree native|win64|release: a tree configured for another folder (a copied checkout
# brings its build folder along) cannot be reused: say so in one line and start afresh.
forget_moved_tree() {
  local cache="$root/build/$1/CMakeCache.txt" home
  [ -f "$cache" ] || return 0
  home=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$cache")
  [ "$home" != "$root" ] || return 0
  say "build/$1 was configured in $home, not here: building it afresh"
  rm -rf "$root/build/$1"
}

# build_tree native|win64|release [TARGET...]: configures the tree and builds the targets (all
# when none are given), as one step.
build_tree() {
  forget_moved_tree "$1"
  step "building build/$1${2:+ (${*:2})}" configure_and_build "$@"
}
configure_and_build() {
  local tree=$1
  shift
  configure_once "$tree"
  if [ $# -gt 0 ]; then
    cmake --build "$root/build/$tree" -j"$(nproc)" --target "$@"
  else
    cmake --build "$root/build/$tree" -j"$(nproc)"
  fi
}

# configure_once TREE: configures the tree unless it was configured by this same function
# before (the build itself reruns CMake when a CMakeLists.txt changes); saves seconds on
# every rebuild.
configure_once() {
  local stamp="$root/build/$1/configured-by.txt" how
  how=$(declare -f "configure_$1")
  if [ -f "$root/build/$1/CMakeCache.txt" ] && [ "$(cat "$stamp" 2>/dev/null)" = "$how" ]; then
    return 0
  fi
  "configure_$1"
  printf '%s\n' "$how" >"$stamp"
}
