#!/usr/bin/env bash
# The whole process of `korvel convert` of the 1,040,000-record synthetic drawing to a PNG, for
# one or more korvel programs run in turn, so that each sees the machine as the others do: the
# median and the fastest run of each, and each median against the first program's.
#
#   bench/convert_process.sh [-n RUNS] [-w WIDTH] KORVEL [KORVEL...]
#
# Give an older build first to compare with it (`git worktree add ../base REV`, build it there).
# The drawing is written once by bench_render into the build folder's bench directory.
set -euo pipefail

runs=9
width=2000
while getopts "n:w:" opt; do
  case "$opt" in
    n) runs="$OPTARG" ;;
    w) width="$OPTARG" ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if [ $# -lt 1 ]; then
  echo "usage: $0 [-n RUNS] [-w WIDTH] KORVEL [KORVEL...]" >&2
  exit 2
fi

here="$(cd "$(dirname "$0")/.." && pwd)"
bench_render="${BENCH_RENDER:-$here/build/bench/bench_render}"
drawing="$(dirname "$bench_render")/synthetic.jww"
if [ ! -s "$drawing" ]; then
  "$bench_render" --write-synthetic "$drawing" >/dev/null
fi

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
# Settings of their own, so that no user's settings change what is drawn.
export XDG_CONFIG_HOME="$scratch/config" XDG_CACHE_HOME="$scratch/cache"

declare -A times
for ((i = 0; i < runs; i++)); do
  for korvel in "$@"; do
    start=$(date +%s%N)
    "$korvel" convert "$drawing" -o "$scratch/out.png" --width "$width" >/dev/null 2>&1 || {
      echo "$korvel failed" >&2
      exit 1
    }
    end=$(date +%s%N)
    times[$korvel]+="$(( (end - start) / 1000000 )) "
  done
done

first=""
for korvel in "$@"; do
  sorted=$(tr ' ' '\n' <<<"${times[$korvel]}" | grep . | sort -n | tr '\n' ' ')
  median=$(cut -d' ' -f$(( (runs + 1) / 2 )) <<<"$sorted")
  fastest=$(cut -d' ' -f1 <<<"$sorted")
  [ -n "$first" ] || first=$median
  ratio=$(awk -v a="$median" -v b="$first" 'BEGIN { printf "%.2f", a / b }')
  echo "$korvel: median $median ms, fastest $fastest ms, ${ratio} x the first; runs: $sorted"
done
