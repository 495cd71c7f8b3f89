#!/bin/bash
# e2e_bench.sh [--runs R] [N...]: the real tv.exe under Wine on generated databases of N downloads
# and N bookmarks (default 50,000, 100,000 and 200,000); see bench/bench_e2e.cpp for what is timed.
# Builds tv.exe and bench_e2e.exe in the cross tree ($TV_BUILD or ./build), runs them in a Wine
# session of their own (<tree>/cross/bench-wine) and stops it afterwards.
set -euo pipefail
root=$(dirname "$(dirname "$(realpath "$0")")")
build=${TV_BUILD:-$root/build}
"$root/scripts/build" cross tv bench_e2e >/dev/null
session="$build/cross/bench-wine"
trap '"$root/scripts/wine-session" stop "$session" >/dev/null 2>&1 || true' EXIT
"$root/scripts/wine-session" start "$session" >/dev/null
TV_WINE_DIR="$session" TV_WINE_TIMEOUT=3600 "$root/scripts/wine-run" "$build/cross/bench/bench_e2e.exe" "$@"
