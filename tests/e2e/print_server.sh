#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Printing on a queue of another CUPS server, over IPP on TCP. A private
# scheduler on a free port of 127.0.0.1 is the print server, with a
# pass-through PDF queue; a second private scheduler is this machine's, with
# a raw queue forwarding to the server. The page must arrive at the server,
# with its text, both ways:
#   1. CUPS_SERVER=127.0.0.1:PORT, printing on the server's queue directly;
#   2. CUPS_SERVER=the local socket, printing on the forwarding queue.
set -euo pipefail

: "${VEXLAN_BIN:?}" "${VEXLAN_JOB_TOOL:?}"
source "$(dirname "$0")/../support/private_cupsd.sh"
cupsd_require print_server pdftotext python3

work=$(mktemp -d /tmp/vexlan-server.XXXXXX)
chmod 755 "$work"
trap 'cupsd_stop "$work/server"; cupsd_stop "$work/local"; rm -rf "$work"' EXIT
fail() { echo "print_server: FAIL: $*" >&2; tail -5 "$work"/*/log/error_log >&2 2>/dev/null; exit 1; }

# Several test runs may share this network namespace: take a port the
# kernel calls free, and another one should a run take it first.
port=""
for _ in 1 2 3 4 5; do
  p=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  if cupsd_start "$work/server" "$p"; then port=$p; break; fi
  cupsd_stop "$work/server"
done
[ -n "$port" ] || fail "no print server could be started"
cupsd_queue "$work/server" OFFICE || fail "lpadmin OFFICE on the server"
cupsd_start "$work/local" || fail "local scheduler did not start"
CUPS_SERVER="$work/local/cups.sock" lpadmin -p FORWARD -E -v "ipp://127.0.0.1:$port/printers/OFFICE" -m raw \
  2>/dev/null || fail "lpadmin FORWARD"
echo '[{"type": 0, "rect": [2000, 3000, 12000, 4000], "text": "SERVERMARK", "face": "Arial"}]' >"$work/job.json"

# Prints through CUPS_SERVER=$1 on queue $2; the page must reach the
# server's output file, whole (the server's queue idle again), within 30 s.
print_via() {
  local out="$work/server/out/OFFICE.pdf"
  rm -f "$out"
  "$VEXLAN_JOB_TOOL" build "$work/job.json" -o "$work/job.set" >/dev/null || fail "job tool"
  CUPS_SERVER=$1 "$VEXLAN_BIN" --job "$work/job.set" --print --printer "$2" || fail "$2 via $1: status $?"
  for _ in $(seq 300); do
    if [ -s "$out" ] && [ -z "$(CUPS_SERVER="127.0.0.1:$port" lpstat -o)" ]; then
      pdftotext "$out" - | grep -q SERVERMARK || fail "$2 via $1: the page arrived without its text"
      echo "print_server: $2 via $1: the page arrived at the server"
      return 0
    fi
    sleep 0.1
  done
  fail "$2 via $1: nothing arrived (local jobs: $(CUPS_SERVER="$work/local/cups.sock" lpstat -o 2>&1))"
}

print_via "127.0.0.1:$port" OFFICE
print_via "$work/local/cups.sock" FORWARD
echo "print_server: OK"
