#!/bin/bash
# viewer_bench.sh [WORKDIR]: the internal viewer under Wine on the build machine. Builds
# bench_viewer.exe and tvzip.exe in the Windows tree, generates an archive of 65,600 members
# (varied names, folders, sizes and dates, so that every sort does real work) and a data archive
# (Info-ZIP, level 6), then runs bench_viewer.exe (open, sorts, select all, extraction through the
# viewer against the engine alone) and times tvzip.exe extract on the same data archive. Figures
# are the best of RUNS runs (default 3).
set -euo pipefail
root=$(dirname "$(dirname "$(realpath "$0")")")
build=${TV_BUILD:-$root/build}
work=$(realpath -m "${1:-$build/viewer-bench}")
runs=${RUNS:-3}
mkdir -p "$work"

"$root/scripts/build" cross bench_viewer tvzip >"$work/build.log" 2>&1 || { tail -20 "$work/build.log"; exit 1; }
cross=$build/cross

if [ ! -f "$work/many.zip" ]; then
  python3 - "$work/many.zip" <<'PY'
import random, sys, zipfile
random.seed(7)
words = ['readme', 'setup', 'data', 'image', 'notes', 'lib', 'core', 'Main', 'TEST', 'x']
exts = ['.txt', '.dat', '.exe', '.DLL', '.htm', '.c', '.h', '.bin', '']
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    for i in range(65600):
        folder = '%s%d/%s/' % (random.choice(words), i % 97, random.choice(words)) if i % 5 else ''
        name = '%s%s_%05d%s' % (folder, random.choice(words), (i * 7919) % 65600, random.choice(exts))
        info = zipfile.ZipInfo(name, date_time=(1990 + i % 35, 1 + i % 12, 1 + i % 28, i % 24, i % 60, 0))
        info.compress_type = zipfile.ZIP_DEFLATED if i % 3 else zipfile.ZIP_STORED
        z.writestr(info, ('%d ' % i) * (i % 40))
PY
fi
if [ ! -f "$work/data.zip" ]; then
  mkdir -p "$work/data"
  python3 - "$work/data" <<'PY'
import os, random, sys
random.seed(11)
root = sys.argv[1]
for i in range(600):
    folder = os.path.join(root, 'f%02d' % (i % 20))
    os.makedirs(folder, exist_ok=True)
    kind = i % 3
    size = 40000 + (i * 7919) % 300000
    with open(os.path.join(folder, 'file%04d.%s' % (i, ['txt', 'bin', 'rec'][kind])), 'wb') as f:
        if kind == 0:
            f.write((' '.join(random.choice(['alpha', 'beta', 'gamma', 'delta']) for _ in range(size // 6))).encode()[:size])
        elif kind == 1:
            f.write(random.randbytes(size))
        else:
            f.write(b''.join(b'REC%08d|%s\n' % (j, b'x' * (j % 30)) for j in range(size // 40)))
PY
  (cd "$work/data" && zip -q -6 -r ../data.zip .)
  rm -rf "$work/data"
fi

export TV_WINE_DIR=$work/wine
"$root/scripts/wine-session" start "$TV_WINE_DIR" >/dev/null
trap '"$root/scripts/wine-session" stop "$TV_WINE_DIR" >/dev/null 2>&1' EXIT
winpath() { echo "Z:${1//\//\\}"; }
mkdir -p "$work/out"
echo "archive of $(unzip -Z1 "$work/many.zip" | wc -l) members, data archive $(stat -c %s "$work/data.zip") bytes"
"$root/scripts/wine-run" "$cross/archive/bench_viewer.exe" "$(winpath "$work/many.zip")" \
  "$(winpath "$work/data.zip")" "$(winpath "$work/out")" "$runs"

# tvzip.exe extract on the same archive, the same way (fresh folder per run, best of RUNS).
best=
for i in $(seq "$runs"); do
  rm -rf "$work/out/tvzip"
  start=$(date +%s%N)
  "$root/scripts/wine-run" "$cross/tools/tvzip.exe" extract "$(winpath "$work/data.zip")" \
    "$(winpath "$work/out/tvzip")" >/dev/null
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  if [ -z "$best" ] || ((ms < best)); then best=$ms; fi
done
rm -rf "$work/out/tvzip"
printf '%-46s %10s ms (process start included)\n' "tvzip.exe extract, same archive" "$best"
