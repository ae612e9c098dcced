#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Peak memory of loading hostile pages: one line per page and measure, in
# MiB of peak resident set size.
#   load        load_memory_bench: the job read into the item list, nothing else
#   dump-items  the whole vexlan --dump-items run (loading plus the JSON dump)
# Pages:
#   line.txt    a text block of one 200 MB line; line.bin the same, packed
#   1 image     one record naming a packed, uniform 16000 x 16000 grey JPEG
#               (3 KB packed, 244 MiB decoded)
#   12 images   twelve records naming that one file (one shared picture)
#   100 files   a hundred records naming a hundred copies of it (the page's
#               image budget ends the job after the fourth)
#
# usage: load_memory.sh VEXLAN VEXLAN_JOB LOAD_MEMORY_BENCH
#   (LOAD_MEMORY_BENCH is built with -DVEXLAN_BUILD_BENCH=ON; needs cjpeg
#    from libjpeg-turbo-progs and /usr/bin/time)
set -euo pipefail
bin="$1" tool="$2" loader="$3"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8

head -c 200000000 /dev/zero | tr '\0' 'a' >"$work/line.txt"
echo >>"$work/line.txt"
"$tool" pack "$work/line.txt" -o "$work/line.bin" >/dev/null
python3 -c '
import sys
row = b"\x80" * 16000
sys.stdout.buffer.write(b"P5\n16000 16000\n255\n")
for _ in range(16000): sys.stdout.buffer.write(row)' | cjpeg -grayscale -outfile "$work/big.jpg"
"$tool" pack "$work/big.jpg" -o "$work/big.bpg" >/dev/null
rm "$work/big.jpg"
for i in $(seq 1 100); do cp "$work/big.bpg" "$work/copy$i.bpg"; done

# job NAME JSON-ITEMS: writes $work/NAME.set
job() { printf '[%s]' "$2" >"$work/$1.json" && "$tool" build "$work/$1.json" -o "$work/$1.set" >/dev/null 2>&1; }
block() { printf '{"type": 2, "rect": [1000, 1000, 20000, 28000], "path": "%s", "face": "Arial"}' "$1"; }
image() { printf '{"type": 1, "rect": [1000, 1000, 20000, 28000], "path": "%s", "invert": 0, "keepAspect": 1}' "$1"; }
images() { # PATH-PATTERN COUNT: COUNT records, %d in the pattern numbered from 1
  local out="" i
  for i in $(seq 1 "$2"); do out+="${out:+,}$(image "$(printf "$1" "$i")")"; done
  printf '%s' "$out"
}
job txt "$(block "$work/line.txt")"
job bin "$(block "$work/line.bin")"
job one "$(image "$work/big.bpg")"
job twelve "$(images "$work/big.bpg" 12)"
job hundred "$(images "$work/copy%d.bpg" 100)"

peak() { /usr/bin/time -f %M -o "$work/time" "$@" >/dev/null 2>&1 || true; echo $(($(tail -1 "$work/time") / 1024)); }
printf '%-10s %10s %16s\n' page "load MiB" "dump-items MiB"
for name in txt bin one twelve hundred; do
  printf '%-10s %10s %16s\n' "$name" "$(peak "$loader" "$work/$name.set")" \
    "$(peak "$bin" --job "$work/$name.set" --keep-job --dump-items)"
done
