#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# vexlan.exe's window under Wine on a virtual display, with a job beside the
# program as its producer leaves it, printing to a private CUPS scheduler's
# PDF queue (Wine prints through CUPS). Each run must end by itself.
#   1. It opens maximized in Print Preview (the screenshot shows the page),
#      the job is gone; closing the window ends it with status 0.
#   2. Alt+P opens the print dialog; OK prints the page, which arrives in the
#      queue with its text; status 0.
#   3. Alt+P, then Cancel in the dialog: status 0, nothing printed.
#   4. The queue rejects jobs: OK in the dialog brings the message box that
#      says why; once it is answered the program ends with status 1.
# Usage: gui_wine.sh VEXLAN_EXE. Skips (77) without Wine, Xvfb, the window
# tools or CUPS.
set -euo pipefail

exe=${1:?usage: gui_wine.sh VEXLAN_EXE}
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/support/xvfb_session.sh"
source "$here/support/private_cupsd.sh"
xvfb_require gui_wine wine wineserver xwininfo import convert pdftotext
cupsd_require gui_wine

work=$(mktemp -d /tmp/vexlan-wine-gui.XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true
  cupsd_stop "$work/cups"
  for p in "${xvfb_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "gui_wine: FAIL: $*" >&2; [ -f "$work/app.err" ] && tail -5 "$work/app.err" >&2; exit 1; }

W=1280 H=800
xvfb_start "$work" "${W}x${H}" || fail "Xvfb did not start"
cupsd_start "$work/cups" || fail "no private scheduler"
cupsd_queue "$work/cups" WINEPDF || fail "no queue"
export CUPS_SERVER="$work/cups/cups.sock"
lpadmin -d WINEPDF

# Wine in Chinese, its ANSI code page 936 (the locale need not be generated).
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
wine() { env LC_ALL=zh_CN.UTF-8 wine "$@" 2>/dev/null; }
mkdir "$WINEPREFIX"
wineserver -p 60 </dev/null >/dev/null 2>&1 || fail "wineserver did not start"
wine wineboot --init </dev/null >/dev/null || fail "no Wine prefix"
# Wine's dialogs and the preview's buttons in a Chinese face (else empty boxes).
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\n' >"$work/fonts.reg"
for face in "MS Shell Dlg" "MS Shell Dlg 2" Tahoma SimSun "Microsoft YaHei UI"; do
  printf '"%s"="WenQuanYi Zen Hei"\n' "$face" >>"$work/fonts.reg"
done
wine regedit /S "$work/fonts.reg" </dev/null >/dev/null || fail "the font replacements were not taken"

# The job ("slip": PRN, like CON or NUL, names a device on Windows): a frame around the page and one line of text (records of 308
# bytes after the magic number and the count).
le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }
record() { # TYPE TEXT FACE-OR-PEN COLOR L T R B
  local text=$2
  printf "$(le32 "$1")%s" "$text"; head -c $((260 - ${#text})) /dev/zero
  if [ "$1" = 0 ]; then printf '%s' "$3"; head -c $((16 - ${#3})) /dev/zero
  else printf "$(le32 "$3")$(le32 "$4")"; head -c 8 /dev/zero; fi
  head -c 12 /dev/zero
  printf "$(le32 "$5")$(le32 "$6")$(le32 "$7")$(le32 "$8")"
}
make_job() {
  { printf "$(le32 $((0xCE23A97B)))$(le32 2)"
    record 3 "" 50 255 1000 1000 20000 28000
    record 0 "VEXLAN WINE PAGE" Arial 0 2000 2000 19000 4000
  } >"$work/app/slip.set"
}
mkdir "$work/app"
cp "$exe" "$work/app/slip.exe"

# xdotool does not match Wine's window titles (not in the encoding it
# reads); the tree that xwininfo prints names them in UTF-8.
wait_title() { # TITLE [TENTHS]: the id of the window titled TITLE
  local id _
  for _ in $(seq "${2:-150}"); do
    id=$(xwininfo -root -tree 2>/dev/null | grep -a "^ *0x[0-9a-f]* \"$1\": (" | awk '{print $1}' | tail -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

start() {
  make_job
  (cd "$work/app" && exec env LC_ALL=zh_CN.UTF-8 wine slip.exe) </dev/null 2>"$work/app.err" &
  app=$!
  pids+=($app)
  wid=$(wait_title "打印输出" 600) || fail "no main window ($1)"
}

# ---- 1. preview, maximized, closed ----------------------------------------
start preview
[ ! -e "$work/app/slip.set" ] || fail "the job file is still there"
# Wine maps the window first and then has the window manager maximize it.
for _ in $(seq 100); do
  read -r ww wh < <(xwininfo -id "$wid" | awk '/^ *Width:/ {w=$2} /^ *Height:/ {h=$2} END {print w, h}')
  [ "$ww" -ge $((W * 95 / 100)) ] && [ "$wh" -ge $((H * 90 / 100)) ] && break
  sleep 0.1
done
echo "gui_wine: main window ${ww}x${wh} on a ${W}x${H} screen"
[ "$ww" -ge $((W * 95 / 100)) ] && [ "$wh" -ge $((H * 90 / 100)) ] || fail "window ${ww}x${wh} is not maximized"
red=0
for _ in $(seq 50); do
  import -window root "$work/preview.png" 2>/dev/null || true
  red=$(convert "$work/preview.png" -fill black +opaque "rgb(255,0,0)" -format "%[fx:int(mean*100000)]" info: 2>/dev/null || echo 0)
  [ "$red" -gt 0 ] && break
  sleep 0.2
done
[ "$red" -gt 0 ] || fail "the page's red frame is not in the preview"
wmctrl -i -c "$wid"
wait_exit "$app" 200 || fail "the program did not exit after its window was closed"
[ "$status" = 0 ] || fail "exit status $status after closing the window"
echo "gui_wine: preview shown, closed, exited with 0"

# ---- 2. Print, OK -----------------------------------------------------------
start print
sleep 1
xdotool windowactivate --sync "$wid" 2>/dev/null || true
xdotool key alt+p
dlg=$(wait_title "打印" 300) || fail "no print dialog after Alt+P"
sleep 1
xdotool windowactivate --sync "$dlg" 2>/dev/null || true
xdotool key Return
wait_exit "$app" 300 || fail "the program did not exit after printing"
[ "$status" = 0 ] || fail "exit status $status after printing"
for _ in $(seq 100); do [ -s "$work/cups/out/WINEPDF.pdf" ] && break; sleep 0.1; done
pdftotext "$work/cups/out/WINEPDF.pdf" - 2>/dev/null | grep -q "VEXLAN WINE PAGE" || fail "the printed page lacks its text"
echo "gui_wine: printed through the dialog, the page arrived, exited with 0"

# ---- 3. Print, Cancel -------------------------------------------------------
rm -f "$work/cups/out/WINEPDF.pdf"
start cancel
sleep 1
xdotool windowactivate --sync "$wid" 2>/dev/null || true
xdotool key alt+p
dlg=$(wait_title "打印" 300) || fail "no print dialog after Alt+P (cancel run)"
sleep 1
xdotool windowactivate --sync "$dlg" 2>/dev/null || true
xdotool key Escape
wait_exit "$app" 300 || fail "the program did not exit after the dialog was cancelled"
[ "$status" = 0 ] || fail "exit status $status after cancelling"
sleep 1
[ ! -e "$work/cups/out/WINEPDF.pdf" ] || fail "a page was printed although the dialog was cancelled"
echo "gui_wine: cancelled the print dialog, exited with 0"

# ---- 4. Print into a queue that rejects jobs ---------------------------------
start failure
sleep 1
cupsreject WINEPDF
xdotool windowactivate --sync "$wid" 2>/dev/null || true
xdotool key alt+p
dlg=$(wait_title "打印" 300) || fail "no print dialog after Alt+P (failure run)"
sleep 1
xdotool windowactivate --sync "$dlg" 2>/dev/null || true
xdotool key Return
# The message box carries the application title too: a second window so named.
for _ in $(seq 200); do
  [ "$(xwininfo -root -tree | grep -ac '"打印输出": (')" -ge 2 ] && break
  sleep 0.1
done
[ "$(xwininfo -root -tree | grep -ac '"打印输出": (')" -ge 2 ] || fail "no message box for the failed print"
kill -0 "$app" 2>/dev/null || fail "the program ended before its message box was answered"
xdotool key Return
wait_exit "$app" 300 || fail "the program did not exit after the failure was shown"
[ "$status" = 1 ] || fail "exit status $status after a failed print"
grep -q "printing on \"WINEPDF\" failed" "$work/app.err" || fail "no line on stderr for the failed print"
echo "gui_wine: the failed print was shown and the program exited with 1"
echo "gui_wine: OK"
