#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# docs/job.schema.json and `vexlan-job build` agree: the docs' examples are
# valid, and on a table of inputs the schema accepts exactly those the
# builder writes a job for (status 0) and rejects those it refuses (status 1).
set -euo pipefail

: "${VEXLAN_JOB_TOOL:?}" "${VEXLAN_SOURCE_DIR:?}"
python3 -c 'import jsonschema' 2>/dev/null || { echo "job_schema: python3-jsonschema missing (scripts/setup)"; exit 77; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

VEXLAN_CODEPAGE=65001 python3 - "$VEXLAN_SOURCE_DIR" "$VEXLAN_JOB_TOOL" "$work" <<'PY'
import glob, json, re, subprocess, sys
import jsonschema

src, tool, work = sys.argv[1:]
schema = json.load(open(f"{src}/docs/job.schema.json", encoding="utf-8"))
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)

# The docs' examples: the example jobs and the page in vexlan-job(1).
examples = [open(p, encoding="utf-8").read() for p in sorted(glob.glob(f"{src}/docs/examples/*.json"))]
man = open(f"{src}/docs/man/vexlan-job.1", encoding="utf-8").read()
found = re.search(r"<<'EOF'\n(.*?)\nEOF", man, re.S)
assert examples and found, "no examples found"
examples.append(re.sub(r"\\\[u([0-9A-F]{4})\]", lambda m: chr(int(m[1], 16)), found[1]).replace("\\-", "-"))

item = '{"type": %s, "rect": [0, 0, 100, 100]%s}'
table = examples + [
    "[]",
    '[' + item % (1, ', "path": "a.jpg", "invert": true, "keepAspect": 1') + ']',
    '[' + item % (2, ', "pathBytes": "612e747874", "faceBytes": "cbcecce5"') + ']',
    '{"items": [' + item % (3, ', "penWidth": 0, "color": 4294967295') + '], "count": -1, "magic": 0, "truncate": 10}',
    '[' + item % (7, ', "penWidth": 5, "text": "x", "invert": false') + ']',
    '[{"type": 0.0e0, "rect": [1.0, 2, 3, 4], "text": "a", "align": -2147483648}]',
    # refused
    '[' + item % (1, ', "path": "a.jpg", "keep_aspect": 1') + ']',
    '[' + item % (1, ', "path": "a.jpg", "face": "Arial"') + ']',
    '[' + item % (0, ', "align": "1"') + ']',
    '[' + item % (0, ', "text": "a", "textBytes": "61"') + ']',
    '[' + item % (0, ', "textBytes": "abc"') + ']',
    '[' + item % (0, ', "text": "%s"' % ("x" * 260)) + ']',
    '[' + item % (2, ', "faceBytes": "%s"' % ("41" * 16)) + ']',
    '[' + item % (1, ', "invert": "yes"') + ']',
    '[' + item % (3, ', "penWidth": 1.5') + ']',
    '[' + item % ("true", "") + ']',
    '[{"type": 3, "rect": [0, 0, 100]}]',
    '[{"type": 3, "rect": [0, 0, 100, 2147483648]}]',
    '[{"type": 3}]',
    '[5]',
    '{"items": [], "version": 1}',
    '{"pages": []}',
]
disagree = []
for i, text in enumerate(table):
    with open(f"{work}/{i}.json", "w", encoding="utf-8") as f:
        f.write(text)
    valid = validator.is_valid(json.loads(text))
    assert valid or i >= len(examples), f"example {i} is not valid: {text[:200]}"
    built = subprocess.run([tool, "build", f"{work}/{i}.json", "-o", f"{work}/{i}.set"],
                           capture_output=True, text=True)
    assert built.returncode in (0, 1), built.stderr
    if valid != (built.returncode == 0):
        disagree.append(f"schema {'accepts' if valid else 'rejects'}, builder status {built.returncode} "
                        f"({built.stderr.strip()}): {text[:120]}")
assert not disagree, "\n".join(disagree)
print(f"job_schema: ok ({len(examples)} examples, {len(table)} inputs)")
PY
