#!/usr/bin/env bash
# The job beside vexlan.exe under Wine, as producers hand it over on Windows:
# a plain job and a read-only one (Wine's read-only attribute is the file
# without write permission, what attrib +r makes) are read and removed; a
# directory in the job's place gives an empty page and stays; --keep-job
# keeps the job; and of two vexlan.exe started at once on one job exactly
# one reads it, ten times over.
set -euo pipefail
: "${VEXLAN_WIN_BIN:?}" "${VEXLAN_LINUX_JOB_TOOL:?}" "${VEXLAN_TEST_DATA:?}"
[ -x "$VEXLAN_LINUX_JOB_TOOL" ] || { echo "wine_handoff: SKIP (no Linux vexlan-job to build the job)"; exit 77; }
wine_run=$(dirname "$0")/../support/wine_run.sh
T=$(mktemp -d)
trap 'chmod -R u+w "$T"; rm -rf "$T"' EXIT
export LC_ALL=C.UTF-8 VEXLAN_CODEPAGE=65001 CUPS_SERVER="$T/no-cups.sock"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

bash "$VEXLAN_TEST_DATA/sample/make_sample.sh" "$VEXLAN_LINUX_JOB_TOOL" "$T" >/dev/null
mkdir "$T/shop"
cp "$VEXLAN_WIN_BIN" "$T/shop/vexlan.exe"
job=$T/shop/vexlan.set
read_it() { grep -q '"Left aligned line, Arial"' "$1"; }

# name|how the job is put in place|options|read (1) or an empty page (0)|
# what the folder holds afterwards besides vexlan.exe|stderr (a glob)
while IFS='|' read -r name setup opts wantRead left line; do
  eval "$setup"
  rc=0
  # shellcheck disable=SC2086
  "$wine_run" "$T/shop/vexlan.exe" --dump-items $opts >"$T/out" 2>"$T/err" || rc=$?
  read=0; read_it "$T/out" && read=1
  now=$(cd "$T/shop" && ls -A | grep -vx vexlan.exe | tr '\n' ' ' || true)
  err=$(cat "$T/err")
  # shellcheck disable=SC2053 # the expected line is a pattern
  [ "$rc" = 0 ] && [ "$read" = "$wantRead" ] && [ "$now" = "$left" ] && [[ $err == $line ]] ||
    fail "$name: status $rc, read $read, left '$now', stderr: ${err:-(none)}"
  chmod -R u+w "$T/shop" && find "$T/shop" -mindepth 1 ! -name vexlan.exe -exec rm -rf {} +
done <<'TABLE'
plain job|cp "$T/sample.set" "$job"||1||
read-only job|cp "$T/sample.set" "$job" && chmod a-w "$job"||1||
read-only, kept|cp "$T/sample.set" "$job" && chmod a-w "$job"|--keep-job|1|vexlan.set |
directory|mkdir "$job"||0|vexlan.set |vexlan: warning: job file "Z:\\*\\shop\\vexlan.set": not a regular file; the page is empty
TABLE

# Two at once on one job: one reads it, the other finds none.
for pair in $(seq 10); do
  cp "$T/sample.set" "$job"
  "$wine_run" "$T/shop/vexlan.exe" --dump-items >"$T/1" 2>/dev/null &
  first=$!
  "$wine_run" "$T/shop/vexlan.exe" --dump-items >"$T/2" 2>/dev/null || fail "pair $pair: second status $?"
  wait "$first" || fail "pair $pair: first status $?"
  readers=0
  for out in "$T/1" "$T/2"; do read_it "$out" && readers=$((readers + 1)); done
  [ "$readers" = 1 ] || fail "pair $pair: $readers read the job"
  [ "$(ls -A "$T/shop")" = vexlan.exe ] || fail "pair $pair: left behind: $(ls -A "$T/shop")"
done

[ "$failures" -eq 0 ] || exit 1
echo "wine hand-off: all checks passed"
