#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What a producer reads on stderr. A face name that no font matches is
# warned once per name, for every drawn output, and counts under --strict
# (the trace on stdout stays as it is). In a GBK locale every line is GBK,
# and a path in a line keeps its bytes exactly as given.
set -euo pipefail
: "${VEXLAN_BIN:?}" "${VEXLAN_JOB_TOOL:?}"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 VEXLAN_CODEPAGE=65001 CUPS_SERVER="$work/no-cups.sock"
unset PRINTER LPDEST
fail() { echo "console_messages: FAIL: $*" >&2; exit 1; }

# A GBK locale of our own (the system need not have one generated).
mkdir "$work/locale"
localedef -i zh_CN -f GBK "$work/locale/zh_CN.GBK" >/dev/null 2>&1 || true
[ -f "$work/locale/zh_CN.GBK/LC_CTYPE" ] || { echo "console_messages: cannot make a GBK locale; skipped"; exit 77; }

cat >"$work/faces.json" <<JSON
[{"type": 0, "rect": [1000, 1000, 9000, 2000], "text": "A", "face": "NoSuchFace", "align": 0},
 {"type": 2, "rect": [1000, 2000, 9000, 3000], "path": "$work/lines.txt", "face": "NoSuchFace"},
 {"type": 0, "rect": [1000, 3000, 9000, 4000], "text": "C", "face": "方正小标宋", "align": 0},
 {"type": 0, "rect": [1000, 4000, 9000, 5000], "text": "D", "face": "宋体", "align": 0},
 {"type": 0, "rect": [1000, 5000, 9000, 6000], "text": "E", "face": "Arial", "align": 0}]
JSON
printf 'one\ntwo\n' >"$work/lines.txt"
"$VEXLAN_JOB_TOOL" build "$work/faces.json" -o "$work/faces.set" >/dev/null 2>&1 || fail "job tool"
expected='vexlan: warning: no font matches face "NoSuchFace"; drawn in "AR PL UMing CN"
vexlan: warning: no font matches face "方正小标宋"; drawn in "AR PL UMing CN"'
run() { set +e; "$VEXLAN_BIN" --job "$work/faces.set" --keep-job "$@" >"$work/out" 2>"$work/err"; status=$?; set -e; }
for out in --trace "--pdf $work/p.pdf" "--png $work/p.png --dpi 30"; do
    # shellcheck disable=SC2086 # the arguments are split on purpose
    run $out
    [ "$status" = 0 ] && [ "$(cat "$work/err")" = "$expected" ] || fail "$out: status $status, stderr: $(cat "$work/err")"
    # shellcheck disable=SC2086
    run --strict $out
    [ "$status" = 3 ] || fail "--strict $out: status $status"
done
! grep -q warning "$work/out" || fail "a warning went to stdout"
run --dump-items   # nothing is drawn: no font is looked for
[ ! -s "$work/err" ] || fail "--dump-items: $(cat "$work/err")"

# --- GBK: a job and its JSON named in GBK, a face name and paths in GBK.
gbk=$'\xd6\xd0\xce\xc4' # 中文
unset VEXLAN_CODEPAGE
in_gbk=(env LOCPATH="$work/locale" LC_ALL=zh_CN.GBK)
cat >"$work/$gbk.json" <<JSON
[{"type": 0, "rect": [1000, 1000, 9000, 2000], "text": "A", "face": "方正小标宋", "align": 0},
 {"type": 1, "rect": [1000, 2000, 9000, 9000], "path": "$work/中文.jpg"}]
JSON
"${in_gbk[@]}" "$VEXLAN_JOB_TOOL" build "$work/$gbk.json" -o "$work/$gbk.set" >/dev/null 2>"$work/err" ||
    fail "job tool on a GBK name: $(cat "$work/err")"
set +e
"${in_gbk[@]}" "$VEXLAN_BIN" --job "$work/$gbk.set" --keep-job --pdf "$work/no/dir/$gbk.pdf" 2>"$work/err"; status=$?
set -e
[ "$status" = 1 ] || fail "GBK: unwritable PDF gave status $status"
python3 - "$work/err" "$work" <<'PY' || fail "GBK stderr: $(od -c "$work/err" | head -20)"
import sys
err = open(sys.argv[1], "rb").read()
work = sys.argv[2].encode()
gbk = b"\xd6\xd0\xce\xc4"
err.decode("gbk")  # every line is GBK
assert b"\xef\xbf\xbd" not in err
for want in (b'no font matches face "' + "方正小标宋".encode("gbk") + b'"',
             b'image "' + work + b"/" + gbk + b'.jpg": no such file',
             b'cannot write PDF file "' + work + b"/no/dir/" + gbk + b'.pdf"'):
    assert want in err, want
assert len(err.splitlines()) == 3, err
PY
echo "console_messages: OK"
