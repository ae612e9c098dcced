#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The producer kit: the sample slip built three ways (the C example through
# vexlan/job.h, the Python example through vexlan_job, vexlan-job build on
# slip.json) gives byte-identical jobs that vexlan reads as slip.json says;
# the header's size checks stop a wrong record; the writers replace a job in
# one step and leave nothing behind when they fail; the Python packer and
# vexlan-job read each other's packed files and refuse the same damage.
set -euo pipefail

: "${VEXLAN_BIN:?}" "${VEXLAN_JOB_TOOL:?}" "${VEXLAN_SOURCE_DIR:?}"
inc="$VEXLAN_SOURCE_DIR/include"
ex="$VEXLAN_SOURCE_DIR/docs/examples"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export PYTHONPATH="$VEXLAN_SOURCE_DIR/python" PYTHONDONTWRITEBYTECODE=1 VEXLAN_CODEPAGE=936
strict=(-Wall -Wextra -pedantic -Werror)

cc -std=c99 "${strict[@]}" -I"$inc" "$ex/slip.c" -o "$work/slip-c"
c++ -std=c++11 "${strict[@]}" -x c++ -I"$inc" "$ex/slip.c" -o "$work/slip-cxx"
if command -v x86_64-w64-mingw32-gcc >/dev/null; then
  x86_64-w64-mingw32-gcc -std=c99 "${strict[@]}" -I"$inc" -c "$ex/slip.c" -o "$work/slip.o"
fi
# A record that is not 308 bytes, or a field out of place, does not compile.
mkdir -p "$work/bad/vexlan"
for change in 's/char text\[260\]/char text[256]/' 's/uint8_t unused\[8\]; /uint8_t unused[4]; int32_t x; int32_t y; /'; do
  sed "$change" "$inc/vexlan/job.h" >"$work/bad/vexlan/job.h"
  ! cmp -s "$inc/vexlan/job.h" "$work/bad/vexlan/job.h"
  if cc -std=c99 -I"$work/bad" -c "$ex/slip.c" -o /dev/null 2>/dev/null; then
    echo "a header changed by '$change' still compiles"; exit 1
  fi
done

# Strings that do not fit their field, and empty jobs, are refused, never cut.
cat >"$work/limits.c" <<'C'
#include <vexlan/job.h>
int main(void)
{
    vexlan_item it;
    char s[261];
    memset(s, 'x', 260);
    s[260] = '\0';
    vexlan_item_init(&it, VEXLAN_TEXT_LINE, 0, 0, 100, 100);
    return vexlan_set_text_line(&it, s + 1, "Times New Roman", 0) == 0 && vexlan_set_text_line(&it, s, "", 0) == -1 &&
           vexlan_set_text_block(&it, "a.txt", "Times New Roman!") == -1 && vexlan_set_image(&it, s, 0, 0) == -1 &&
           vexlan_write_job("x.set", &it, 0) == -1 && errno == EINVAL ? 0 : 1;
}
C
cc -std=c99 "${strict[@]}" -I"$inc" "$work/limits.c" -o "$work/limits"
(cd "$work"; ./limits)
[ ! -e "$work/x.set" ]
python3 - "$work/x.set" <<'PY'
import sys, vexlan_job as v
r = (0, 0, 100, 100)
cases = (lambda: v.text_line(r, "宋" * 130), lambda: v.text_line(r, "a", face="Microsoft YaHei UI"),
         lambda: v.image(r, b"a\0.jpg"), lambda: v.frame((0, 0, 1)), lambda: v.frame(r, pen_width=2**31),
         lambda: v.write_job(sys.argv[1], []))
for i, make in enumerate(cases):
    try:
        make().to_bytes("gbk")
        raise SystemExit(f"case {i} was accepted")
    except ValueError:
        pass
assert len(v.text_line(r, "宋" * 129).to_bytes("gbk")) == v.RECORD_SIZE
PY
[ ! -e "$work/x.set" ]

mkdir "$work/out"
"$work/slip-c" "$work/out/c.set"
"$work/slip-cxx" "$work/out/cxx.set"
python3 "$ex/slip.py" "$work/out/py.set"
"$VEXLAN_JOB_TOOL" build "$ex/slip.json" -o "$work/out/tool.set"
for f in cxx py tool; do cmp "$work/out/c.set" "$work/out/$f.set"; done
"$VEXLAN_BIN" --job "$work/out/c.set" --keep-job --dump-items >"$work/dump.json"
python3 - "$work/dump.json" "$ex/slip.json" <<'PY'
import json, sys
got, want = (json.load(open(p, encoding="utf-8")) for p in sys.argv[1:])
assert got == want, f"vexlan read {got}, not {want}"
PY

# Writing over a job replaces it whole; a failed write leaves the folder as
# it was (a directory in the job's place, a folder that does not exist).
printf 'old' >"$work/out/c.set"
"$work/slip-c" "$work/out/c.set"
cmp "$work/out/c.set" "$work/out/tool.set"
printf 'old' >"$work/out/c.set"
python3 "$ex/slip.py" "$work/out/c.set"
cmp "$work/out/c.set" "$work/out/tool.set"
mkdir "$work/out/dir.set"
for producer in "$work/slip-c" "python3 $ex/slip.py"; do
  for target in "$work/out/dir.set" "$work/none/x.set"; do
    if $producer "$target" 2>"$work/err"; then echo "$producer wrote $target"; exit 1; fi
    grep -q "cannot write" "$work/err"
  done
done
[ "$(ls -A "$work/out" | sort | tr '\n' ' ')" = "c.set cxx.set dir.set py.set tool.set " ]
[ -z "$(ls -A "$work/out/dir.set")" ]
[ ! -e "$work/none" ]

# Packed files both ways, and the same damage refused by both.
for n in 0 1 5 70001; do
  head -c "$n" /dev/urandom >"$work/in"
  python3 -c 'import sys, vexlan_job as v; v.write_packed(sys.argv[2], open(sys.argv[1], "rb").read())' "$work/in" "$work/py.bin"
  "$VEXLAN_JOB_TOOL" unpack "$work/py.bin" -o "$work/back"
  cmp "$work/in" "$work/back"
  "$VEXLAN_JOB_TOOL" pack "$work/in" -o "$work/tool.bin"
  printf 'x' >>"$work/tool.bin"
  python3 - "$work/py.bin" "$work/tool.bin" "$work/in" <<'PY'
import sys, vexlan_job as v
good, damaged, content = (open(p, "rb").read() for p in sys.argv[1:])
assert v.unpack(good) == content
try:
    v.unpack(damaged)
    raise SystemExit("a packed file with a byte appended was accepted")
except ValueError:
    pass
PY
  if "$VEXLAN_JOB_TOOL" unpack "$work/tool.bin" -o "$work/back" 2>/dev/null; then exit 1; fi
done
echo "producer_kit: ok"
