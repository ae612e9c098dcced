#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# vexlan.exe --print under Wine into a private CUPS scheduler (Wine's spooler
# lists its queues and follows its default): the page reaches the named and
# the default queue with its text, and lp's -n and -t arrive; an unknown printer, no printer at all, an
# empty page, a rejecting queue and --pdf without the system's PDF printer end
# with status 1 and one line, and send nothing. Skipped (77) without cupsd.
set -euo pipefail
: "${VEXLAN_WIN_BIN:?}" "${VEXLAN_LINUX_JOB_TOOL:?}" "${VEXLAN_TEST_DATA:?}"
support=$(dirname "$0")/../support
source "$support/private_cupsd.sh"
cupsd_require wine_print pdftotext "$VEXLAN_LINUX_JOB_TOOL"
T=$(mktemp -d /tmp/vexlan-wprint.XXXXXX) && chmod 755 "$T"
trap 'cupsd_stop "$T/cups"; rm -rf "$T"' EXIT
export LC_ALL=C.UTF-8 VEXLAN_CODEPAGE=65001 WINEDLLOVERRIDES=explorer.exe= CUPS_SERVER=$T/cups/cups.sock
unset PRINTER LPDEST
failures=0; fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
cupsd_start "$T/cups" && for q in A C D R; do cupsd_queue "$T/cups" $q; done && lpadmin -d D && cupsreject -r "out of forms" R
bash "$VEXLAN_TEST_DATA/sample/make_sample.sh" "$VEXLAN_LINUX_JOB_TOOL" "$T" >/dev/null && : >"$T/empty.set"
# name|scheduler|job|options|status|stderr besides the reader's warnings (a glob)
while IFS='|' read -r name server job opts want line; do
  cp "$T/$job" "$T/run.set" && rc=0
  # shellcheck disable=SC2086 # the options are split on purpose
  CUPS_SERVER=$server "$support/wine_run.sh" "$VEXLAN_WIN_BIN" --job "$T/run.set" $opts 2>"$T/err" || rc=$?
  got=$(grep -v '^vexlan: warning: ' "$T/err" || true)
  # shellcheck disable=SC2053 # the expected line is a pattern
  [ "$rc" = "$want" ] && [[ $got == $line ]] || fail "$name: status $rc, stderr: ${got:-(none)}"
done <<TABLE
named queue|$CUPS_SERVER|sample.set|--print --printer A|0|
copies and title|$CUPS_SERVER|sample.set|--print -d C -n 2 -t Slip7|0|
CUPS's options|$CUPS_SERVER|sample.set|--print -d C -o media=A4|2|vexlan: -o media=A4: printer options are CUPS's*
default queue|$CUPS_SERVER|sample.set|--print|0|
unknown printer|$CUPS_SERVER|sample.set|--print --printer NOPE|1|vexlan: printer "NOPE" not found
no printer at all|$T/none.sock|sample.set|--print|1|vexlan: no printer installed
empty page|$CUPS_SERVER|empty.set|--print --printer A|1|vexlan: the page is empty (the job "*" holds no items); nothing was sent to the printer
rejecting queue|$CUPS_SERVER|sample.set|--print --printer R|1|vexlan: printing on "R" failed: *
no PDF printer|$CUPS_SERVER|sample.set|--pdf $T/out.pdf|1|vexlan: cannot write PDF file "$T/out.pdf": this system has no "Microsoft Print to PDF" printer
TABLE
# Only the three good documents reached a queue, each with its text; C's
# in two copies under the title given.
for _ in $(seq 300); do [ -s "$T/cups/out/A.pdf" ] && [ -s "$T/cups/out/C.pdf" ] && [ -s "$T/cups/out/D.pdf" ] && [ -z "$(lpstat -o)" ] && break; sleep 0.1; done
[ "$(pdfinfo "$T/cups/out/C.pdf" | awk '/^Pages:/ {print $2}')" = 2 ] || fail "-n 2: $(pdfinfo "$T/cups/out/C.pdf" | grep Pages)"
lpstat -W completed -o C | grep -q . && grep -qaF Slip7 "$T"/cups/spool/c* || fail "-t: the job is not titled Slip7"
for q in A D; do
  [[ $(pdftotext "$T/cups/out/$q.pdf" - 2>&1) == *"Left aligned line, Arial"*"Total: 1,280.00 CNY"* ]] || fail "queue $q: no page with its text"
done
[ "$(lpstat -W all -o | wc -l)" = 3 ] && [ ! -e "$T/out.pdf" ] || fail "sent: $(lpstat -W all -o; ls "$T"/out.pdf 2>&1)"
[ "$failures" -eq 0 ] && echo "wine print: all checks passed"
