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
