#!/bin/bash
# zip_bench.sh [WORKDIR]: the ZIP engine (tools/tvzip, native Release build without sanitizers)
# against Info-ZIP zip/unzip and 7z on the same ~200 MB in ~2,000 generated files (text, random
# bytes, repetitive binary), side by side in one run. Reports MB/s (uncompressed bytes per second,
# best of RUNS runs, default 3) and sizes, as a Markdown table.
#   TV_BUILD: build root (default ./build); the benchmark tree is $TV_BUILD/bench-release.
# 7z runs as users run it: deflate at its default level (-mx=5) and with its own threads (-mmt=on,
# both cores here); the CPU column counts every thread.
set -euo pipefail
root=$(dirname "$(dirname "$(realpath "$0")")")
build=${TV_BUILD:-$root/build}/bench-release
work=${1:-$(mktemp -d /tmp/tvzipbench.XXXXXX)}
runs=${RUNS:-3}

"$root/scripts/deps-native" "$(dirname "$build")/deps"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTV_SANITIZE=OFF >/dev/null
cmake --build "$build" --target tvzip -j "${TV_JOBS:-2}" >/dev/null
tvzip=$build/tools/tvzip

mkdir -p "$work"
cd "$work"
if [ ! -f data.stamp ]; then
  rm -rf data
  python3 - <<'PY'
import os, random
random.seed(20261207)
words = [''.join(random.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(random.randint(2, 11)))
         for _ in range(5000)]
total = 0
for i in range(2000):
    kind = i % 3
    size = random.randint(20_000, 190_000)
    folder = 'data/d%02d/s%d' % (i % 40, i % 3)
    os.makedirs(folder, exist_ok=True)
    if kind == 0:  # text
        out = []
        n = 0
        while n < size:
            line = ' '.join(random.choice(words) for _ in range(random.randint(4, 14))) + '\n'
            out.append(line)
            n += len(line)
        data = ''.join(out).encode()[:size]
        name = 'f%04d.txt' % i
    elif kind == 1:  # random bytes
        data = os.urandom(size)
        name = 'f%04d.bin' % i
    else:  # repetitive binary: records with small variations
        rec = bytes(random.randrange(256) for _ in range(64))
        parts = []
        for j in range(size // 64 + 1):
            r = bytearray(rec)
            r[j % 64] = j & 0xFF
            parts.append(bytes(r))
        data = b''.join(parts)[:size]
        name = 'f%04d.dat' % i
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)
    total += size
print('generated %d files, %.1f MB' % (2000, total / 1e6))
PY
  touch data.stamp
fi
bytes=$(du -sb data | cut -f1)
mb=$(python3 -c "print($bytes/1e6)")

# Each run is timed by wall clock and by CPU time (user + system; the steadier figure on a shared,
# loaded machine); the best of RUNS counts. The tools take turns, and every extraction goes into a
# fresh folder that is removed only after all runs: a file system that has just deleted thousands
# of files allocates new ones more slowly, and that must not favour whichever tool runs first.
timeit() {
  /usr/bin/time -f "%e %U %S" -o time.txt bash -c "$1" >/dev/null 2>&1
  read -r w u s < time.txt
  python3 -c "print($w, $u + $s)"
}
declare -A bw bc
keep_best() {  # name "wall cpu"
  read -r w c <<< "$2"
  if [ -z "${bw[$1]:-}" ] || python3 -c "import sys; sys.exit(0 if $w < ${bw[$1]} else 1)"; then bw[$1]=$w; fi
  if [ -z "${bc[$1]:-}" ] || python3 -c "import sys; sys.exit(0 if $c < ${bc[$1]} else 1)"; then bc[$1]=$c; fi
}
rm -rf out.* info.zip sz.zip ours.zip c.*.zip
for r in $(seq "$runs"); do
  keep_best zip "$(timeit "zip -q -r -6 c.info.$r.zip data")"
  keep_best sz "$(timeit "7z a -tzip -mx=5 c.sz.$r.zip data")"
  keep_best ours "$(timeit "'$tvzip' add c.ours.$r.zip -6 -r data")"
done
mv c.info.1.zip info.zip
mv c.sz.1.zip sz.zip
mv c.ours.1.zip ours.zip
rm -f c.*.zip
for r in $(seq "$runs"); do
  keep_best unzip "$(timeit "unzip -q info.zip -d out.u.$r")"
  keep_best szx "$(timeit "7z x -y -oout.s.$r info.zip")"
  keep_best ourx "$(timeit "'$tvzip' extract info.zip out.t.$r")"
  keep_best ourx2 "$(timeit "'$tvzip' extract ours.zip out.o.$r")"
done
rm -rf out.*
# Correctness of what was measured: every archive passes the others' test, our extraction is exact.
unzip -tqq ours.zip >/dev/null
7z t ours.zip >/dev/null
"$tvzip" test sz.zip >/dev/null
"$tvzip" extract info.zip out >/dev/null && diff -r data out/data >/dev/null && rm -rf out

line() { echo "${bw[$1]} ${bc[$1]}"; }
python3 - "$mb" "$bytes" "$runs" "$(line zip)" "$(line sz)" "$(line ours)" "$(line unzip)" "$(line szx)" \
  "$(line ourx)" "$(line ourx2)" "$(stat -c %s info.zip)" "$(stat -c %s sz.zip)" "$(stat -c %s ours.zip)" <<'PY'
import sys
a = sys.argv[1:]
mb, raw, runs = float(a[0]), int(a[1]), int(a[2])
t = {k: tuple(map(float, v.split())) for k, v in zip(
    ['zip', 'sz', 'ours', 'unzip', 'szx', 'ourx', 'ourx2'], a[3:10])}
si, ss, so = int(a[10]), int(a[11]), int(a[12])
print('data: %.1f MB in 2000 files; best of %d runs; MB/s by wall time / by CPU time (user+sys)' % (mb, runs))
print()
print('| Operation | Info-ZIP | 7z | tvzip | tvzip / Info-ZIP (wall, CPU) | tvzip / 7z (wall, CPU) |')
print('|---|---|---|---|---|---|')
def speed(k):
    w, c = t[k]
    return '%.1f / %.1f MB/s' % (mb / w, mb / c)
def ratio(ours, other):
    return '%.2f x, %.2f x' % (t[other][0] / t[ours][0], t[other][1] / t[ours][1])
print('| create, level 6 (7z: -mx=5) | %s | %s | %s | %s | %s |' % (
    speed('zip'), speed('sz'), speed('ours'), ratio('ours', 'zip'), ratio('ours', 'sz')))
print("| extract Info-ZIP's archive | %s | %s | %s | %s | %s |" % (
    speed('unzip'), speed('szx'), speed('ourx'), ratio('ourx', 'unzip'), ratio('ourx', 'szx')))
print('| extract our own archive | | | %s | | |' % speed('ourx2'))
def size(n):
    return '{:,} B ({:.2f} %)'.format(n, 100.0 * n / raw)
print('| archive size | %s | %s | %s | %+.3f %% | %+.3f %% |' % (
    size(si), size(ss), size(so), 100.0 * (so - si) / si, 100.0 * (so - ss) / ss))
PY
