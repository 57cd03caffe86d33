# Shared by run.sh and test.sh: configure and build one tree.
QM_LUA_SRC="${QUILLMONT_DEPS_CACHE:-${HOME:-/root}/.cache/quillmont-deps}/lua5.3"

# usage: qm_build DIR [cmake options...]
qm_build() {
  local dir="$1"; shift
  local jobs="${QM_JOBS:-$(nproc)}"
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$QM_ROOT" -B "$dir" -G Ninja -DQM_LUA_SRC="$QM_LUA_SRC" "$@" >/dev/null
  else
    cmake "$dir" -DQM_LUA_SRC="$QM_LUA_SRC" "$@" >/dev/null
  fi
  cmake --build "$dir" -j "$jobs"
}

# usage: qm_build_target DIR TARGET [cmake options...]
qm_build_target() {
  local dir="$1" target="$2"; shift 2
  local jobs="${QM_JOBS:-$(nproc)}"
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$QM_ROOT" -B "$dir" -G Ninja -DQM_LUA_SRC="$QM_LUA_SRC" "$@" >/dev/null
  else
    cmake "$dir" -DQM_LUA_SRC="$QM_LUA_SRC" "$@" >/dev/null
  fi
  cmake --build "$dir" -j "$jobs" --target "$target"
}

# Starts Xvfb on a free display unless one is set; exports DISPLAY.
qm_start_xvfb() {
  if [ -n "${DISPLAY:-}" ] && [ -z "${QM_FORCE_XVFB:-}" ]; then return 0; fi
  local n=99
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  mkdir -p "$QM_ROOT/build"
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$QM_ROOT/build/xvfb.log" 2>&1 &
  QM_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 1 50); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "Xvfb did not start" >&2
  return 1
}

qm_stop_xvfb() {
  if [ -n "${QM_XVFB_PID:-}" ]; then kill "$QM_XVFB_PID" 2>/dev/null || true; wait "$QM_XVFB_PID" 2>/dev/null || true; fi
}

# usage: qm_listing PATH...
# Names, types, sizes and modification times of each path and everything under
# it, sorted; a path that does not exist is listed as absent.
qm_listing() {
  local p
  for p in "$@"; do
    if [ -e "$p" ] || [ -L "$p" ]; then
      find "$p" -printf '%p\t%y\t%s\t%T@\n'
    else
      printf '%s\tabsent\n' "$p"
    fi
  done | LC_ALL=C sort
}

# usage: qm_report_unchanged WHAT BEFORE AFTER
# Says that WHAT is unchanged when the two listings are equal; otherwise shows the
# differences and returns 1.
qm_report_unchanged() {
  local what="$1" changes
  if changes=$(diff <(printf '%s\n' "$2") <(printf '%s\n' "$3")); then
    echo "$what: unchanged"
    return 0
  fi
  echo "the tests changed $what (- before, + after):"
  printf '%s\n' "$changes" | sed -n '1,60p'
  return 1
}
