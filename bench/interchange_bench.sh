#!/bin/bash
# interchange_bench.sh [WORKDIR]: writing and reading the stored files of a full backup against cp
# on the same ~200 MB (100 files of 2 MB, random bytes), natively (Release tree without
# sanitizers) and under Wine (the Windows build with the wizards' own file host). A plain copy
# loop of the same files through a buffer of the same size (read/write natively,
# ReadFile/WriteFile under Wine) shows what any program that copies through its own memory
# achieves on each; a mapped copy of the same files (each source mapped in windows of 4 MB and
# written straight from the view: mmap/write natively, MapViewOfFile/WriteFile under Wine) shows
# what a copy with one memory copy per byte achieves there. Every figure is the best of RUNS (default 3) runs, each into a fresh
# destination; the tools take turns.
#   TV_BUILD: build root (default ./build); native tree $TV_BUILD/bench-release, Windows tree
#   $TV_BUILD/cross with its Wine session.
set -euo pipefail
root=$(dirname "$(dirname "$(realpath "$0")")")
build=${TV_BUILD:-$root/build}
work=$(realpath -m "${1:-$(mktemp -d /tmp/tvibench.XXXXXX)}")
runs=${RUNS:-3}
files=${FILES:-100}
size_mb=${SIZE_MB:-2}

cmake -S "$root" -B "$build/bench-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTV_SANITIZE=OFF >/dev/null
cmake --build "$build/bench-release" --target interchange_bench -j "${TV_JOBS:-2}" >/dev/null
"$root/scripts/build" cross interchange_bench >/dev/null
native=$build/bench-release/bench/interchange_bench
windows=$build/cross/bench/interchange_bench.exe

mkdir -p "$work"
cd "$work"
if [ ! -f src.stamp ]; then
  rm -rf src
  mkdir src
  for i in $(seq -w 1 "$files"); do head -c $((size_mb * 1048576)) /dev/urandom >"src/f$i.bin"; done
  touch src.stamp
fi
total=$(du -sb src | cut -f1)

best() { sort -n | head -1; }
fresh() { rm -rf "$1"; mkdir -p "$1"; sync; }
# Wine sees the Linux file system as drive Z:.
win() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }
# cp: "wall_ms cpu_ms" (user + system time of the copy).
timed_cp() {
  /usr/bin/time -f '%e %U %S' -o cp.time cp src/* cp-dst/
  awk '{ printf "%d %d\n", $1 * 1000, ($2 + $3) * 1000 }' cp.time
}

declare -a cw=() cc=() ncw=() ncc=() niw=() nic=() wcw=() wcc=() wiw=() wic=() nlw=() nlc=() wlw=() wlc=()
declare -a nmw=() nmc=() wmw=() wmc=()
for run in $(seq "$runs"); do
  fresh cp-dst
  read -r w c < <(timed_cp); cw+=("$w"); cc+=("$c")
  fresh n-copy
  read -r _ w _ _ c < <("$native" copy src n-copy); nlw+=("$w"); nlc+=("$c")
  fresh n-copy
  read -r _ w _ _ c < <("$native" mapcopy src n-copy); nmw+=("$w"); nmc+=("$c")
  cmp -s src/f$(printf %0${#files}d 1).bin n-copy/f$(printf %0${#files}d 1).bin || { echo "native mapped copy differs" >&2; exit 1; }
  fresh n-dst; rm -f n.tvi
  read -r _ w _ _ c < <("$native" create src n.tvi); ncw+=("$w"); ncc+=("$c")
  read -r _ w _ _ c < <("$native" import n.tvi n-dst); niw+=("$w"); nic+=("$c")
  cmp -s src/f$(printf %0${#files}d 1).bin n-dst/f$(printf %0${#files}d 1).bin || { echo "native import differs" >&2; exit 1; }
  fresh w-copy
  read -r _ w _ _ c < <("$root/scripts/wine-run" "$windows" copy "$(win src)" "$(win w-copy)"); wlw+=("$w"); wlc+=("$c")
  fresh w-copy
  read -r _ w _ _ c < <("$root/scripts/wine-run" "$windows" mapcopy "$(win src)" "$(win w-copy)"); wmw+=("$w"); wmc+=("$c")
  cmp -s src/f$(printf %0${#files}d 1).bin w-copy/f$(printf %0${#files}d 1).bin || { echo "Wine mapped copy differs" >&2; exit 1; }
  fresh w-dst; rm -f w.tvi
  read -r _ w _ _ c < <("$root/scripts/wine-run" "$windows" create "$(win src)" "$(win "$work")\\w.tvi"); wcw+=("$w"); wcc+=("$c")
  read -r _ w _ _ c < <("$root/scripts/wine-run" "$windows" import "$(win "$work")\\w.tvi" "$(win w-dst)"); wiw+=("$w"); wic+=("$c")
  cmp -s src/f$(printf %0${#files}d 1).bin w-dst/f$(printf %0${#files}d 1).bin || { echo "Wine import differs" >&2; exit 1; }
done
"$root/scripts/wine-session" stop "$build/cross/wine" >/dev/null 2>&1 || true

cpw=$(printf '%s\n' "${cw[@]}" | best)
cpc=$(printf '%s\n' "${cc[@]}" | best)
# report WHAT WALLS... -- CPUS...: best wall time and best processor time, each against cp's.
report() {
  local what=$1 n=$2 w c
  shift 2
  w=$(printf '%s\n' "${@:1:n}" | best)
  c=$(printf '%s\n' "${@:n+1}" | best)
  awk -v what="$what" -v w="$w" -v c="$c" -v cw="$cpw" -v cc="$cpc" -v b="$total" \
    'BEGIN { printf "| %s | %d ms (%.0f MB/s) | %.2f x | %d ms | %.2f x |\n", what, w, b / 1048576 / (w / 1000), w / cw, c, c / cc }'
}
printf '%s bytes in %s files, best of %s runs; cp: %s ms wall, %s ms processor time\n\n' "$total" "$files" "$runs" "$cpw" "$cpc"
printf '| operation | wall time | against cp | processor time | against cp |\n|---|---|---|---|---|\n'
report "plain copy loop, native" "$runs" "${nlw[@]}" "${nlc[@]}"
report "mapped copy, native" "$runs" "${nmw[@]}" "${nmc[@]}"
report "backup written, native" "$runs" "${ncw[@]}" "${ncc[@]}"
report "backup read, native" "$runs" "${niw[@]}" "${nic[@]}"
report "plain copy loop, Wine" "$runs" "${wlw[@]}" "${wlc[@]}"
report "mapped copy, Wine" "$runs" "${wmw[@]}" "${wmc[@]}"
report "backup written, Wine" "$runs" "${wcw[@]}" "${wcc[@]}"
report "backup read, Wine" "$runs" "${wiw[@]}" "${wic[@]}"
