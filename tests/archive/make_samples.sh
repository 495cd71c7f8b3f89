#!/bin/sh
# make_samples.sh DIR: archives for the Windows tests of the ZIP engine, written at test time by the
# tools of the build machine: WinZip AES archives by 7z, members with names outside the ANSI code
# page and names that collide once written (python's zipfile).
set -eu
out=$1
rm -rf "$out"
mkdir -p "$out/src"
cd "$out/src"
seq 1 20000 > text.txt
head -c 30000 /dev/urandom > random.bin
printf tiny > tiny.txt
7z a -tzip -psecret -mem=AES256 ../aes256.zip text.txt random.bin tiny.txt >/dev/null
7z a -tzip -psecret -mem=AES128 -mx=0 ../aes128.zip text.txt random.bin tiny.txt >/dev/null
cd "$out"
python3 - <<'PY'
import warnings, zipfile
warnings.simplefilter('ignore')
with zipfile.ZipFile('unicode.zip', 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('\u041f\u0440\u0438\u0432\u0435\u0442.txt', 'privet')
    z.writestr('\u03a9mega/\u03c3.txt', 'sigma')
    z.writestr('README.txt', 'upper')
    z.writestr('readme.txt', 'lower')
    z.writestr('\u00c4rger.txt', 'ansi upper')
    z.writestr('\u00e4rger.txt', 'ansi lower')
    z.writestr('\u0416.txt', 'cyrillic upper')
    z.writestr('\u0436.txt', 'cyrillic lower')
with zipfile.ZipFile('setup.zip', 'w') as z:
    z.writestr('setup.exe', 'MZ')
    z.writestr('\u0434\u0430\u043d\u043d\u044b\u0435/\u0444\u0430\u0439\u043b.txt', 'data')
    z.writestr('Notes.txt', 'one')
    z.writestr('notes.txt', 'two')
PY
