#!/usr/bin/env bash
# Screenshots of the window just after it starts, taken of a real `korvel` run on a virtual X
# display: a settings file that cannot be read, the output size "表示画面サイズ" with clipboard
# watching on (the picture put on the clipboard is kept beside the screenshot), and the status
# bar of a Jw_cad 6 drawing.
#   scripts/startup-screenshots.sh [OUTDIR] [KORVEL]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVEL_BUILD:-$here/build}
out=${1:-$here/out/startup-screenshots}
korvel=${2:-$build/korvel}
samples=${KORVEL_SAMPLES:-$here/../shared/samples/jww}
cmake --build "$build" --target grab_screen -j2 >/dev/null
mkdir -p "$out"
out=$(cd "$out" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

drawing="$samples/木造平面例.jww"
[ -f "$drawing" ] || drawing="$here/samples/demo.jww"
"$korvel" save "$drawing" -o "$scratch/copy.jwz" 2>/dev/null

# One run: the settings file, then what happens on the display while the window is up.
run() {
  local name=$1 settings=$2 during=$3
  shift 3
  xvfb-run -a -s "-screen 0 1024x768x24" env QT_QPA_PLATFORM=xcb HOME="$scratch/home" \
    XDG_CONFIG_HOME="$scratch/config" XDG_CACHE_HOME="$scratch/cache" WINEPREFIX="$scratch/wine" \
    bash -c '
      "$1" --settings "$2" --jwcad-registry none "${@:6}" 2>"$4/$5.stderr.txt" &
      pid=$!
      sleep 3
      eval "$3"
      "'"$build"'/grab_screen" "$4/$5.png"
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    ' run "$korvel" "$settings" "$during" "$out" "$name" "$@"
  echo "wrote $out/$name.png"
}

# A settings file that cannot be read: a folder where the file should be.
mkdir -p "$scratch/folder.INI"
run unreadable_settings "$scratch/folder.INI" ":"

# "表示画面サイズ" with clipboard watching: a copy made in Jw_win (played by xclip) comes back as
# a picture as wide as the drawing area.
printf '[Form]\noutWsizeF=0\nCBmonitorFlg=1\n' >"$scratch/display.INI"
run display_size "$scratch/display.INI" \
  "xclip -selection clipboard -t Jw_win -i '$scratch/copy.jwz'; sleep 3; \
   xclip -selection clipboard -t image/png -o >'$out/display_size_clipboard.png' 2>/dev/null || true"

# The status bar of a Jw_cad 6 drawing.
printf '[Form]\noutWsizeF=1\n' >"$scratch/status.INI"
run status_bar "$scratch/status.INI" ":" "$drawing"
