#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A page the scheduler stops taking halfway (its MaxRequestSize is far below
# the page's PDF) never prints: status 1, one line naming the queue, the job
# cancelled, no document kept for it. The queues are held, so a job that
# could still print would stay among the not-completed ones. When even the
# cancellation is refused (a policy letting no one cancel), the line says so.
set -euo pipefail
: "${VEXLAN_BIN:?}" "${VEXLAN_JOB_TOOL:?}"
source "$(dirname "$0")/../support/private_cupsd.sh"
cupsd_require print_abandoned cjpeg cupsdisable
w=$(mktemp -d /tmp/vexlan-abandoned.XXXXXX)
trap 'cupsd_stop "$w/cups"; rm -rf "$w"' EXIT
fail() { echo "print_abandoned: FAIL: $*" >&2; exit 1; }
chmod 755 "$w"
CUPSD_EXTRA_CONF=$(printf '%s\n' "MaxRequestSize 256k" "<Policy nocancel>" "  <Limit Cancel-Job>" \
  "    AuthType Default" "    Require user nobody-here" "  </Limit>" "  <Limit All>" "    Order deny,allow" "  </Limit>" \
  "</Policy>") cupsd_start "$w/cups" || fail "scheduler"
export CUPS_SERVER="$w/cups/cups.sock"
for q in Q K; do cupsd_queue "$w/cups" $q && cupsdisable $q || fail "queue $q"; done
lpadmin -p K -o printer-op-policy=nocancel || fail "policy"

# Noise compresses badly: a JPEG of about 2 MB, sent as it is.
python3 -c 'import os, sys; sys.stdout.buffer.write(b"P6\n1000 1000\n255\n" + os.urandom(3000000))' >"$w/n.ppm"
cjpeg -quality 95 -outfile "$w/n.jpg" "$w/n.ppm"
echo "[{\"type\": 1, \"rect\": [1000, 1000, 15000, 15000], \"path\": \"$w/n.jpg\"}]" >"$w/n.json"

# print_fails QUEUE TAIL: status 1 and one line "printing on "QUEUE" failed:
# REASON" followed by TAIL (an extended regular expression).
print_fails() {
  "$VEXLAN_JOB_TOOL" build "$w/n.json" -o "$w/n.set" >/dev/null || fail "job tool"
  rc=0
  "$VEXLAN_BIN" --job "$w/n.set" --print --printer "$1" 2>"$w/err" || rc=$?
  [ "$rc" = 1 ] && [ "$(grep -c '^vexlan: ' "$w/err")" = 1 ] &&
    grep -Eq "^vexlan: printing on \"$1\" failed: [^;]+$2\$" "$w/err" || fail "$1: status $rc, $(cat "$w/err")"
}
print_fails Q ""
[ -z "$(lpstat -W not-completed -o Q)" ] && [ "$(lpstat -W completed -o Q | wc -l)" = 1 ] ||
  fail "Q: the job was not cancelled: $(lpstat -W all -o Q)"
ls "$w/cups/spool" | grep -q '^d' && fail "a document was kept: $(ls "$w/cups/spool")"
print_fails K "; job K-[0-9]+ could not be cancelled \(.+\)"
echo "print_abandoned: OK"
