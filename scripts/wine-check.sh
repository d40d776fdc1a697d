#!/usr/bin/env bash
# Checks Korvel's clipboard exchange with Jw_win against Wine itself. A small Windows program,
# tools/wine/jwwin_clip.c, plays Jw_win's part; it runs under Wine beside Korvel and xclip on one
# throwaway X server (xvfb-run) with a throwaway Wine prefix, so nothing of the user's own Wine
# set-up or display is touched.
#
#   scripts/wine-check.sh [--korvel PATH] [--jwwin-clip PATH.exe] [--transfer-probe PATH]
#                         [--copies N] [--keep]
#
# --korvel defaults to build/korvel, --jwwin-clip to a fresh build of tools/wine/jwwin_clip.c,
# --transfer-probe to build/transfer_probe (Korvel's transfer to Jw_win; left out when absent),
# --copies sets how many copies korvel watch converts in a row (3), --keep leaves the scratch
# folder (prefix, data, logs) for a look afterwards.
# Exit status: 0 all checks passed, 1 a check failed, 2 bad usage, 77 skipped (Wine, the mingw-w64
# compiler or the X tools are missing, or Wine cannot set up a prefix here).
set -uo pipefail

readonly SKIP=77
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# ---- outside the X server: arguments, tools, scratch folder ----
if [ "${1:-}" != "--inside-x" ]; then
  korvel="$source_dir/build/korvel"
  exe=""
  probe="$source_dir/build/transfer_probe"
  copies=3
  keep=0
  while [ $# -gt 0 ]; do
    case "$1" in
      --korvel) korvel=$2; shift 2 ;;
      --jwwin-clip) exe=$2; shift 2 ;;
      --transfer-probe) probe=$2; shift 2 ;;
      --copies) copies=$2; shift 2 ;;
      --keep) keep=1; shift ;;
      *) echo "usage: $0 [--korvel PATH] [--jwwin-clip PATH.exe] [--transfer-probe PATH] [--copies N] [--keep]" >&2
         exit 2 ;;
    esac
  done
  for tool in wine wineserver xvfb-run xclip; do
    command -v "$tool" >/dev/null || { echo "wine-check: SKIP: $tool is not installed" >&2; exit $SKIP; }
  done
  [ -x "$korvel" ] || { echo "wine-check: $korvel: no korvel program there (build it first)" >&2; exit 2; }

  mkdir -p "${TMPDIR:-/tmp}"
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/korvel-wine.XXXXXX")
  if [ -z "$exe" ]; then
    command -v x86_64-w64-mingw32-gcc >/dev/null ||
      { rm -rf "$scratch"; echo "wine-check: SKIP: x86_64-w64-mingw32-gcc is not installed" >&2; exit $SKIP; }
    exe="$scratch/jwwin_clip.exe"
    x86_64-w64-mingw32-gcc -std=c99 -O2 -Wall -o "$exe" "$source_dir/tools/wine/jwwin_clip.c" -luser32 -lgdi32 ||
      { rm -rf "$scratch"; echo "wine-check: cannot build jwwin_clip.exe" >&2; exit 1; }
  fi
  started=$(date +%s)
  # xvfb-run ends its X server when the inner run ends, whatever happens inside.
  [ -x "$probe" ] && probe=$(realpath "$probe") || probe=""
  xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside-x "$scratch" "$(realpath "$korvel")" "$(realpath "$exe")" "$probe" "$copies"
  status=$?
  echo "wine-check: finished in $(( $(date +%s) - started )) s with status $status" >&2
  if [ "$keep" = 1 ]; then echo "wine-check: scratch folder kept: $scratch" >&2; else rm -rf "$scratch"; fi
  exit $status
fi

# ---- inside the X server ----
scratch=$2
korvel=$3
exe=$4
probe=$5
copies=$6
cd "$scratch" || exit 1
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export XDG_CONFIG_HOME="$scratch/config" XDG_CACHE_HOME="$scratch/cache" HOME="$scratch/home"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$HOME"

background=()
cleanup() {
  for pid in "${background[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${background[@]}"; do wait "$pid" 2>/dev/null; done
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
}
trap cleanup EXIT

failures=0
pass() { echo "wine-check: ok: $*"; }
fail() { echo "wine-check: FAILED: $*"; failures=$((failures + 1)); }

# Debian's wine launcher warns on every start when only the 64-bit half is installed.
wine_quiet() { wine "$@" 2> >(grep -v -e wine32 -e multiarch -e 'dpkg --add-arch' -e 'apt-get install' >&2); }
jwwin_clip() { wine_quiet "$exe" "$@"; }

# Polls a command (given as arguments) every 0.2 s until it succeeds or `seconds` pass.
wait_for() {
  local seconds=$1; shift
  local tries=$((seconds * 5))
  while [ $tries -gt 0 ]; do
    "$@" && return 0
    sleep 0.2
    tries=$((tries - 1))
  done
  return 1
}
# A child that has exited but is not yet waited for counts as ended.
ended() { local state; ! state=$(ps -o stat= -p "$1") || [[ $state == Z* ]]; }
# xclip waits for an answer as long as it takes; an owner that never answers must not hang the check.
x_read() { timeout 10 xclip -selection clipboard -o -t "$1" 2>/dev/null; }
x_targets() { x_read TARGETS; }
x_offers() { x_targets | grep -qx "$1"; }

# A prefix that does not come up means this machine cannot run Wine (no 64-bit support, no
# room, a sandbox that forbids it); that says nothing about Korvel, so the check is skipped.
t0=$(date +%s)
if ! timeout 240 wine wineboot --init >wineboot.log 2>&1 || ! timeout 60 wineserver -w; then
  echo "wine-check: SKIP: Wine cannot set up a prefix here:" >&2
  tail -5 wineboot.log >&2
  exit $SKIP
fi
echo "wine-check: prefix ready in $(( $(date +%s) - t0 )) s"

"$korvel" save "$source_dir/samples/demo.jww" -o plan.jwz ||
  { echo "wine-check: korvel cannot write Jw_win data"; exit 1; }

# a. Wine -> Linux: what the Windows side places under "Jw_win" reaches X11 unchanged.
wine "$exe" put plan.jwz 60 >put.log 2>&1 &
background+=($!)
if wait_for 20 x_offers Jw_win && x_read Jw_win >from_wine.jwz &&
   cmp -s plan.jwz from_wine.jwz; then
  pass "Wine -> X11: \"Jw_win\" data read back by xclip byte for byte ($(stat -c %s plan.jwz) bytes)"
else
  fail "Wine -> X11: \"Jw_win\" data did not arrive unchanged (targets: $(x_targets | tr '\n' ' '))"
fi

# b. Linux -> Wine: a "Jw_win" target offered on X11 arrives under the registered format.
xclip -quiet -selection clipboard -t Jw_win -i plan.jwz 2>/dev/null &
xclip_pid=$!
background+=($xclip_pid)
if jwwin_clip get from_x11.jwz 20 && cmp -s plan.jwz from_x11.jwz; then
  pass "X11 -> Wine: \"Jw_win\" data offered by xclip read under Wine byte for byte"
else
  fail "X11 -> Wine: \"Jw_win\" data did not arrive unchanged"
fi
kill $xclip_pid 2>/dev/null

# The names under which Wine offers a picture to Linux programs, for Korvel's copy to match.
wine "$exe" picture 60 >picture.log 2>&1 &
background+=($!)
if wait_for 20 x_offers WCF_ENHMETAFILE && x_offers image/bmp &&
   x_read WCF_ENHMETAFILE >wine.emf && [ "$(od -An -j40 -N4 -c wine.emf | tr -d ' ')" = "EMF" ]; then
  pass "Wine offers a picture as: $(x_targets | tr '\n' ' ')"
else
  fail "Wine's picture targets are not WCF_ENHMETAFILE and image/bmp: $(x_targets | tr '\n' ' ')"
fi

# c. Korvel watching: Jw_win's data is picked up and a picture is left for Windows programs too.
if "$korvel" help 2>/dev/null | grep -q "^  watch"; then
  QT_QPA_PLATFORM=xcb "$korvel" watch >watch.log 2>&1 &
  watch_pid=$!
  background+=($watch_pid)
  wait_for 20 grep -q "watching the clipboard" watch.log ||
    fail "korvel watch did not start: $(cat watch.log)"
  # Korvel's picture replaces Jw_win's data (which the picture still on the clipboard could not).
  has_picture() { jwwin_clip formats >formats.log 2>/dev/null && grep -q " CF_ENHMETAFILE" formats.log &&
                  grep -q " CF_DIB size=" formats.log && ! grep -qw Jw_win formats.log; }
  conversions() { local n; n=$(grep -c "converted Jw_win data" watch.log 2>/dev/null); echo "${n:-0}"; }
  # Each copy in Jw_win follows a picture copied in another Windows program, as in daily work; that
  # order once made Qt lose its claim on the clipboard to Wine most often.
  for copy in $(seq 1 "$copies"); do
    wine "$exe" picture 60 >"picture_$copy.log" 2>&1 &
    background+=($!)
    wait_for 20 grep -q "^put " "picture_$copy.log" || fail "jwwin_clip could not put a picture: $(cat "picture_$copy.log")"
    wine "$exe" put plan.jwz 60 >"put_$copy.log" 2>&1 &
    background+=($!)
    if ! wait_for 20 grep -q "^put " "put_$copy.log"; then
      fail "jwwin_clip could not put the data: $(cat "put_$copy.log")"
      break
    fi
    # The log first: opening the clipboard under Wine while Korvel reads it would make Wine's
    # answer to Korvel fail, so the clipboard is looked at only after Korvel is done.
    if ! wait_for 30 eval '[ "$(conversions)" -ge $copy ]'; then
      fail "copy $copy under Wine: Korvel did not convert it; it said: $(tail -1 watch.log)"
      break
    fi
    if ! wait_for 10 has_picture; then
      fail "copy $copy under Wine: no picture from Korvel; Wine sees: $(tr '\n' ';' <formats.log)"
      break
    fi
    [ "$(conversions)" -eq $copy ] || fail "copy $copy under Wine: converted $(conversions) times in all"
    size=$(sed -n 's/.*bitmap \([0-9]*\) x \([0-9]*\),.*/\1x\2/p' watch.log | head -1)
    grep -q " CF_DIB size=$size " formats.log ||
      fail "copy $copy under Wine: the bitmap under Wine is not the ${size:-?} of Korvel's conversion"
    wait_for 5 grep -q "another program took the clipboard" "put_$copy.log" ||
      fail "copy $copy under Wine: the Windows side kept the clipboard"
    pass "copy $copy under Wine converted by Korvel; Wine sees: $(tr '\n' ';' <formats.log)"
  done
  echo "wine-check: Korvel's picture on X11: $(x_targets | tr '\n' ' ')"
  kill -TERM $watch_pid
  if wait_for 10 ended $watch_pid; then
    wait $watch_pid
    watch_status=$?
    [ $watch_status -eq 0 ] || fail "korvel watch ended with status $watch_status on SIGTERM"
  else
    fail "korvel watch did not stop on SIGTERM"
  fi
  sed 's/^/  korvel watch: /' watch.log
else
  echo "wine-check: note: this korvel has no watch command; Korvel's own part is not checked"
fi

# d. Korvel's transfer to Jw_win: the data and the "DataObject" value arrive under Wine.
if [ -n "$probe" ]; then
  QT_QPA_PLATFORM=xcb "$probe" "$source_dir/samples/demo.jww" 60 >probe.log 2>&1 &
  background+=($!)
  if wait_for 20 x_offers Jw_win && jwwin_clip get from_korvel.jwz 20 && cmp -s plan.jwz from_korvel.jwz; then
    pass "Korvel -> Wine: the transferred \"Jw_win\" data arrives byte for byte"
  else
    fail "Korvel -> Wine: the transferred \"Jw_win\" data did not arrive unchanged ($(cat probe.log))"
  fi
  if jwwin_clip get data_object.bin 10 DataObject && [ "$(od -An -tx1 data_object.bin | tr -d ' ')" = "00000000" ]; then
    pass "Korvel -> Wine: \"DataObject\" holds 4 bytes of 0"
  else
    fail "Korvel -> Wine: \"DataObject\" is not 4 bytes of 0"
  fi
else
  echo "wine-check: note: no transfer_probe; Korvel's transfer to Jw_win is not checked"
fi

exit $(( failures > 0 ))
