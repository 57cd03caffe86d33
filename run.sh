#!/usr/bin/env bash
# Installs what is missing, builds, and runs Quillmont from the data folder.
# Without a display it runs under Xvfb, saves a screenshot and closes the program.
set -euo pipefail
QM_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$QM_ROOT"
source scripts/common.sh

./scripts/setup-deps.sh
qm_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
export QTWEBENGINE_DISABLE_SANDBOX=1

if [ -n "${DISPLAY:-}" ]; then
  cd data && exec ../build/quillmont
fi

trap qm_stop_xvfb EXIT
qm_start_xvfb
export QT_QPA_PLATFORM=xcb
(cd data && exec ../build/quillmont) &
app=$!
sleep "${QM_SCREENSHOT_DELAY:-8}"
shot="$QM_ROOT/build/screenshot.png"
import -window root "$shot"
# close it as a user would: focus the window and press Esc
win=$(xdotool search --name '^Quillmont$' | head -n1 || true)
if [ -n "$win" ]; then
  xdotool windowfocus --sync "$win" key Escape || true
fi
for _ in $(seq 1 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app" 2>/dev/null; then
  echo "run.sh: the program did not close; stopping it" >&2
  kill "$app" 2>/dev/null || true
fi
wait "$app" 2>/dev/null || true
echo "$shot"
