#!/usr/bin/env bash
# Pictures of the main window with two real drawings, the options dialog's pages and the drawing
# information dialog, and of the layer panel, a search hit and a measurement (viewer*.png, on a
# drawing with named layer groups; viewer.png is the README's docs/images/viewer.png), taken on a
# virtual X display: scripts/screenshots.sh [OUTDIR] [DRAWING...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVEL_BUILD:-$here/build}
out=${1:-$here/out/screenshots}
shift || true
samples=${KORVEL_SAMPLES:-$here/../shared/samples/jww}
if [ $# -eq 0 ]; then
  set -- "$samples/木造平面例.jww" "$samples/Ａマンション立面例.jww"
fi
cmake --build "$build" --target window_screenshots -j2 >/dev/null
mkdir -p "$out"
viewer=${KORVEL_VIEWER_DRAWING:-$samples/Ａマンション平面例.jww}
if [ -f "$viewer" ]; then export KORVEL_VIEWER_DRAWING=$viewer; else unset KORVEL_VIEWER_DRAWING; fi
xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb \
  "$build/window_screenshots" "$out" "$@"
