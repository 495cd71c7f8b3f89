#!/bin/bash
# zipsearch_bench.sh [WORKDIR]: the archive search (bench_zipsearch, native Release build without
# sanitizers) against ugrep -z on the same 36 archives holding about 200 MB of members: half text
# (deflated), half already-compressed data (gzip streams, which Info-ZIP stores), fixed seed. The
# two take turns in one run; best of RUNS (default 3) by wall and by CPU time.
#   TV_BUILD: build root (default ./build); the benchmark tree is $TV_BUILD/bench-release.
set -euo pipefail
root=$(dirname "$(dirname "$(realpath "$0")")")
build=$(realpath -m "${TV_BUILD:-$root/build}")/bench-release
work=${1:-$(mktemp -d /tmp/tvzsbench.XXXXXX)}
runs=${RUNS:-3}
text=${TEXT:-quixotic-zebra}

command -v ugrep >/dev/null || { echo "zipsearch_bench: ugrep is missing (scripts/setup-deps)" >&2; exit 1; }
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTV_SANITIZE=OFF >/dev/null
cmake --build "$build" --target bench_zipsearch -j "${TV_JOBS:-2}" >/dev/null

mkdir -p "$work"
cd "$work"
if [ ! -f archives.stamp ]; then
  rm -rf data archives
  python3 - <<'PY'
import gzip, os, random
random.seed(20260315)
words = [''.join(random.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(random.randint(2, 11)))
         for _ in range(5000)]
lines = [' '.join(random.choice(words) for _ in range(random.randint(4, 14))) + '\n' for _ in range(40000)]
def text(size):
    out, n = [], 0
    while n < size:
        line = random.choice(lines)
        out.append(line)
        n += len(line)
    return ''.join(out).encode()[:size]
for a in range(36):
    folder = 'data/a%02d' % a
    os.makedirs(folder)
    for m in range(24):
        size = random.randint(180_000, 320_000)
        data = text(size)
        if m % 2 == 0:
            if random.random() < 0.15:  # the text looked for, in about one text member in seven
                at = random.randrange(len(data))
                data = data[:at] + b'quixotic-zebra' + data[at:]
            name = 'doc%02d.txt' % m
        else:
            data = gzip.compress(data + bytes(random.getrandbits(8) for _ in range(size // 2)), 6)
            name = 'pack%02d.gz' % m
        open(os.path.join(folder, name), 'wb').write(data)
PY
  mkdir -p archives
  for d in data/a*; do (cd "$d" && zip -q -6 "../../archives/$(basename "$d").zip" ./*); done
  rm -rf data
  touch archives.stamp
fi
"$build/bench/bench_zipsearch" "$work/archives" "$text" "$runs"
