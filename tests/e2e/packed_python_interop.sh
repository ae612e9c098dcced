#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Python example in docs/packed-format.md and vexlan-job agree: a file
# packed by the example is unpacked by the tool, and a file packed by the
# tool is unpacked by the example, for content of several sizes.
set -euo pipefail

: "${VEXLAN_JOB_TOOL:?}" "${VEXLAN_SOURCE_DIR:?}"
doc="$VEXLAN_SOURCE_DIR/docs/packed-format.md"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The example's functions, without its final lines that write notes.bin.
awk '/^```python$/{on=1; next} /^```$/{on=0} on' "$doc" | sed '/^text = /,$d' >"$work/packed.py"
grep -q '^def pack' "$work/packed.py"

for n in 0 1 2 3 5 1000 70001; do
  head -c "$n" /dev/urandom >"$work/in.$n"
  (cd "$work" && python3 - "$n" <<'PY'
import sys
from packed import pack, unpack
n = sys.argv[1]
data = open(f"in.{n}", "rb").read()
open(f"py.{n}.bin", "wb").write(pack(data, seed=0x9E3779B9))
PY
  )
  "$VEXLAN_JOB_TOOL" unpack "$work/py.$n.bin" -o "$work/out.$n"
  cmp "$work/in.$n" "$work/out.$n"

  "$VEXLAN_JOB_TOOL" pack "$work/in.$n" -o "$work/tool.$n.bin"
  (cd "$work" && python3 - "$n" <<'PY'
import sys
from packed import unpack
n = sys.argv[1]
assert unpack(open(f"tool.{n}.bin", "rb").read()) == open(f"in.{n}", "rb").read(), n
PY
  )
done
echo "packed_python_interop: ok"
