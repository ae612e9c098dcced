#!/usr/bin/env bash
# vexlan.exe --print under Wine into a private CUPS scheduler (Wine's spooler
# lists that scheduler's queues and follows its default): the page reaches
# the named and the default queue with its text; an unknown printer, no
# printer at all, an empty page, a rejecting queue and --pdf without the
# system's PDF printer each end with status 1 and one line, and send nothing.
# Skipped (77) without root, cupsd or poppler's tools.
set -euo pipefail
: "${VEXLAN_WIN_BIN:?}" "${VEXLAN_LINUX_JOB_TOOL:?}" "${VEXLAN_TEST_DATA:?}"
support=$(dirname "$0")/../support
source "$support/private_cupsd.sh"
cupsd_require wine_print pdftotext
[ -x "$VEXLAN_LINUX_JOB_TOOL" ] || { echo "wine_print: SKIP (no Linux vexlan-job to build the job)"; exit 77; }
T=$(mktemp -d /tmp/vexlan-wprint.XXXXXX)
trap 'cupsd_stop "$T/cups"; rm -rf "$T"' EXIT
chmod 755 "$T"
export LC_ALL=C.UTF-8 VEXLAN_CODEPAGE=65001 WINEDLLOVERRIDES=explorer.exe=
unset PRINTER LPDEST
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cupsd_start "$T/cups" && for q in A D R; do cupsd_queue "$T/cups" "$q" || exit 1; done || { echo "scheduler"; exit 1; }
sock=$T/cups/cups.sock
CUPS_SERVER=$sock lpadmin -d D && CUPS_SERVER=$sock cupsreject -r "out of forms" R
bash "$VEXLAN_TEST_DATA/sample/make_sample.sh" "$VEXLAN_LINUX_JOB_TOOL" "$T" >/dev/null
: >"$T/empty.set"

# name|scheduler|job|options|status|the one line on stderr besides warnings
# (a glob; empty: none)
while IFS='|' read -r name server job opts want line; do
  [ -f "$T/$job" ] && cp "$T/$job" "$T/run.set"
  rc=0
  # shellcheck disable=SC2086 # the options are split on purpose
  CUPS_SERVER=$server "$support/wine_run.sh" "$VEXLAN_WIN_BIN" --job "$T/run.set" $opts 2>"$T/err" || rc=$?
  got=$(grep -v '^vexlan: warning: ' "$T/err" || true) # the reader's own, as on Linux
  # shellcheck disable=SC2053 # the expected line is a pattern
  [ "$rc" = "$want" ] && [[ $got == $line ]] || fail "$name: status $rc, stderr: ${got:-(none)}"
done <<TABLE
named queue|$sock|sample.set|--print --printer A|0|
default queue|$sock|sample.set|--print|0|
unknown printer|$sock|sample.set|--print --printer NOPE|1|vexlan: printer "NOPE" not found
no printer at all|$T/none.sock|sample.set|--print|1|vexlan: no printer installed
empty page|$sock|empty.set|--print --printer A|1|vexlan: the page is empty (the job "*" holds no items); nothing was sent to the printer
rejecting queue|$sock|sample.set|--print --printer R|1|vexlan: printing on "R" failed: *
no PDF printer|$sock|sample.set|--pdf $T/out.pdf|1|vexlan: cannot write PDF file "$T/out.pdf": this system has no "Microsoft Print to PDF" printer
TABLE

# Exactly the two good pages arrived, each with its text; nothing else
# reached a queue, and --pdf wrote no file.
export CUPS_SERVER=$sock
for _ in $(seq 300); do [ -s "$T/cups/out/A.pdf" ] && [ -s "$T/cups/out/D.pdf" ] && [ -z "$(lpstat -o)" ] && break; sleep 0.1; done
for q in A D; do
  text=$(pdftotext "$T/cups/out/$q.pdf" - 2>/dev/null || true)
  [[ $text == *"Left aligned line, Arial"* && $text == *"Total: 1,280.00 CNY"* ]] || fail "queue $q: page without its text: ${text:0:200}"
done
[ "$(lpstat -W all -o | wc -l)" = 2 ] || fail "jobs in the queues: $(lpstat -W all -o)"
[ ! -e "$T/out.pdf" ] || fail "--pdf left a file"

[ "$failures" -eq 0 ] || exit 1
echo "wine print: all checks passed"
