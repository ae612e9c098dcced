#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The job beside vexlan.exe under Wine: a plain and a read-only job (to Wine,
# the read-only attribute is the file without write permission) are read and
# removed; a directory in its place gives an empty page and stays; --keep-job
# keeps the job; of two started at once on one job one reads it, ten times.
set -euo pipefail
: "${VEXLAN_WIN_BIN:?}" "${VEXLAN_LINUX_JOB_TOOL:?}" "${VEXLAN_TEST_DATA:?}"
[ -x "$VEXLAN_LINUX_JOB_TOOL" ] || { echo "wine_handoff: SKIP (no Linux vexlan-job)"; exit 77; }
run="$(dirname "$0")/../support/wine_run.sh" T=$(mktemp -d)
trap 'chmod -R u+w "$T"; rm -rf "$T"' EXIT
export LC_ALL=C.UTF-8 VEXLAN_CODEPAGE=65001 CUPS_SERVER="$T/no-cups.sock" WINEDLLOVERRIDES=explorer.exe=
failures=0; fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
bash "$VEXLAN_TEST_DATA/sample/make_sample.sh" "$VEXLAN_LINUX_JOB_TOOL" "$T" >/dev/null
mkdir "$T/shop" && cp "$VEXLAN_WIN_BIN" "$T/shop/vexlan.exe"
job=$T/shop/vexlan.set exe=$T/shop/vexlan.exe
left() { find "$T/shop" -mindepth 1 ! -name vexlan.exe -printf '%f '; }
reads() { grep -c '"Left aligned line, Arial"' "$@" | grep -c ':[1-9]' || true; }
# name|how the job is put in place|options|readers|left beside vexlan.exe|stderr (a glob)
while IFS='|' read -r name setup opts want stays line; do
  eval "$setup" && rc=0
  # shellcheck disable=SC2086
  "$run" "$exe" --dump-items $opts >"$T/1" 2>"$T/err" || rc=$?
  # shellcheck disable=SC2053 # the expected line is a pattern
  [ "$rc/$(reads "$T/1" /dev/null)/$(left)" = "0/$want/$stays" ] && [[ $(cat "$T/err") == $line ]] ||
    fail "$name: status $rc, readers $(reads "$T/1" /dev/null), left '$(left)', stderr: $(cat "$T/err")"
  chmod -R u+w "$T/shop" && find "$T/shop" -mindepth 1 ! -name vexlan.exe -exec rm -rf {} +
done <<'TABLE'
plain job|cp "$T/sample.set" "$job"||1||
read-only job|cp "$T/sample.set" "$job" && chmod a-w "$job"||1||
read-only, kept|cp "$T/sample.set" "$job" && chmod a-w "$job"|--keep-job|1|vexlan.set |
directory|mkdir "$job"||0|vexlan.set |vexlan: warning: job file "Z:\\*\\shop\\vexlan.set": not a regular file; the page is empty
TABLE
for pair in $(seq 10); do
  cp "$T/sample.set" "$job"
  "$run" "$exe" --dump-items >"$T/1" 2>/dev/null & "$run" "$exe" --dump-items >"$T/2" 2>/dev/null; wait $!
  [ "$(reads "$T/1" "$T/2")/$(left)" = "1/" ] || fail "pair $pair: $(reads "$T/1" "$T/2") read the job, left '$(left)'"
done
[ "$failures" -eq 0 ] && echo "wine hand-off: all checks passed"
