#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows installer under Wine, in a Wine prefix of its own: made by
# packaging/windows/make-packages from the build's programs, a silent install
# (/S) puts both programs and the documents in Program Files and registers
# the uninstaller with Add/Remove Programs; the installed programs run; the
# silent uninstaller, run in place (_?=), removes the programs, the documents
# and the registration.
# usage: installer.sh BIN_DIR
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
wine_run="$root/tests/support/wine_run.sh"
work="$(mktemp -d)"
export VEXLAN_WINE_STATE="$work/prefix-path"
trap '"$wine_run" --stop || true; rm -rf "$work"' EXIT
fail() { echo "installer: $*" >&2; exit 1; }

installer="$("$root/packaging/windows/make-packages" "$bin" "$work/out" | tail -n 1)"
[ -f "$installer" ] || fail "make-packages named no installer"
"$wine_run" --start
prefix="$(cat "$VEXLAN_WINE_STATE")"
dir="$prefix/drive_c/Program Files/Vexlan"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vexlan'

"$wine_run" "$installer" /S || fail "the silent install ended with status $?"
for f in vexlan.exe vexlan-job.exe uninstall.exe docs/README.md docs/LICENSE.txt \
    docs/job-format.md docs/vexlan.txt docs/vexlan-job.txt; do
  [ -f "$dir/$f" ] || fail "not installed: Program Files/Vexlan/$f"
done
"$wine_run" reg query "$key" /v UninstallString /reg:64 2>/dev/null | grep -qF 'uninstall.exe' ||
  fail "no uninstaller registered under $key"

"$wine_run" 'C:\Program Files\Vexlan\vexlan-job.exe' --help >"$work/help" 2>&1 ||
  fail "the installed vexlan-job.exe --help failed: $(cat "$work/help")"
[ -s "$work/help" ] || fail "the installed vexlan-job.exe --help printed nothing"
"$wine_run" 'C:\Program Files\Vexlan\vexlan.exe' --version >"$work/version" 2>&1 ||
  fail "the installed vexlan.exe --version failed: $(cat "$work/version")"

# _?= must reach the uninstaller unquoted, which wine's own quoting of an
# argument with blanks prevents: a batch file gives it the line as written.
printf '@"C:\\Program Files\\Vexlan\\uninstall.exe" /S _?=C:\\Program Files\\Vexlan\r\n' \
  >"$prefix/drive_c/uninstall-vexlan.bat"
"$wine_run" cmd /c 'C:\uninstall-vexlan.bat' || fail "the silent uninstall ended with status $?"
for f in vexlan.exe vexlan-job.exe docs; do
  [ ! -e "$dir/$f" ] || fail "left after uninstalling: Program Files/Vexlan/$f"
done
if "$wine_run" reg query "$key" /reg:64 >/dev/null 2>&1; then
  fail "the uninstaller left $key"
fi
echo "installer ok: $(basename "$installer")"
