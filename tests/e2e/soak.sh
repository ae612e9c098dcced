#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Repeated runs of the real window, each of which must end by itself: the
# program is started as the job producer starts it (a copy named prn with
# prn.set beside it, no arguments) on a virtual display with a window
# manager, with a private CUPS scheduler whose default queue writes PDF.
# Each cycle checks that the job is consumed, that the program ends within
# 10 s of the last user action, and its exit status:
#   close    the window manager closes the window            -> 0
#   print    Print, then the dialog's Print; the page's text
#            arrives at the default queue                     -> 0
#   cancel   Print, then Escape in the dialog                 -> 0
#   refused  Print to a queue that rejects jobs; a message
#            box appears and is dismissed; stderr says why    -> 1
#   deleted  the queue is deleted while the dialog is up, then
#            the dialog's Print; the same, the queue is gone  -> 1
#   stretched  (long form) the preview of 100,000 lines each
#            stretched to about 4,000 units wide is zoomed in
#            twice and closed as soon as it shows, while it
#            is still being drawn                             -> 0
#   unattended  (long form) as refused, but nobody answers the
#            message box: it closes itself after its 30 s     -> 1
#
# usage: soak.sh [--cycles N]      (or SOAK_CYCLES=N; default 2)
# A count given either way is the long form: N cycles of each kind, then
# bounded_pages.sh --long (the heavy window-less pages); SOAK_KINDS=a,b
# runs only the kinds named, without bounded_pages.sh. ctest runs the
# short form. Needs root (for the scheduler), cupsd, Xvfb,
# matchbox-window-manager, xdotool, wmctrl and pdftotext; skipped otherwise.
set -euo pipefail

: "${VEXLAN_BIN:?}" "${VEXLAN_JOB_TOOL:?}"
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/private_cupsd.sh"
source "$here/../support/xvfb_session.sh"

cycles=${SOAK_CYCLES:-} only=${SOAK_KINDS:-}
[ "${1:-}" != --cycles ] || cycles=${2:?--cycles needs a count}
long=${cycles:+1}
cycles=${cycles:-2}
[[ "$cycles" =~ ^[1-9][0-9]*$ ]] || { echo "soak: bad cycle count '$cycles'" >&2; exit 2; }

cupsd_require soak pdftotext
xvfb_require soak

work=$(mktemp -d /tmp/vexlan-soak.XXXXXX)
app=""
cleanup() {
  local p
  for p in $app "${xvfb_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in $app "${xvfb_pids[@]}"; do wait "$p" 2>/dev/null || true; done
  cupsd_stop "$work"
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "soak: FAIL: $*" >&2
  [ -s "$work/app.err" ] && tail -5 "$work/app.err" >&2
  exit 1
}

cupsd_start "$work" || fail "the scheduler did not start"
export CUPS_SERVER="$work/cups.sock" HOME="$work" # no lpoptions of the user
unset PRINTER LPDEST
cupsd_queue "$work" SOAK && cupsd_queue "$work" SOAK_R || fail "lpadmin"
lpadmin -d SOAK && cupsreject SOAK_R || fail "queue set-up"
xvfb_start "$work" || fail "Xvfb did not start: $(cat "$work/xvfb.err")"

mkdir "$work/app"
cp "$VEXLAN_BIN" "$work/app/prn"
main_title="^打印输出$"
dialog_title="^打印( — 打印输出)?$"

# start MARK [ITEMS]: starts the program on a job whose page carries MARK
# (or holds the JSON ITEMS); waits for its window.
start() {
  local items=${2:-}
  [ -n "$items" ] || items="[{\"type\": 0, \"rect\": [2000, 3000, 19000, 4000], \"text\": \"$1\", \"face\": \"Arial\"},
    {\"type\": 3, \"rect\": [1000, 1000, 20000, 28000], \"penWidth\": 30, \"color\": 255}]"
  printf '%s' "$items" >"$work/job.json"
  "$VEXLAN_JOB_TOOL" build "$work/job.json" -o "$work/app/prn.set" >/dev/null || fail "job tool"
  "$work/app/prn" 2>"$work/app.err" &
  app=$!
  wid=$(wait_window "$main_title") || fail "$1: no main window"
  [ ! -e "$work/app/prn.set" ] || fail "$1: the job file is still there"
}

# Print on the preview's toolbar; waits for the print dialog.
open_dialog() {
  xdotool windowactivate --sync "$wid" 2>/dev/null || true
  xdotool key alt+p
  dlg=$(wait_window "$dialog_title") || fail "$1: no print dialog after Alt+P"
  xdotool windowactivate --sync "$dlg" 2>/dev/null || true
}

# The program ends within 10 s with the expected status.
ended() {
  wait_exit "$app" || fail "$1: still running 10 s after the last action"
  app=""
  # The window manager kills (SIGKILL) a window that does not answer its
  # ping after a close request: the program was too busy to handle events.
  [ "$status" != 137 ] || fail "$1: killed, as a window that stopped answering the window manager is"
  [ "$status" = "$2" ] || fail "$1: exit status $status, expected $2"
}

# A message box (titled as the main window, but another window) comes up
# and the program waits for it; its id goes to `box`. dismiss_message then
# presses Return in it.
wait_message() {
  local _
  for _ in $(seq 150); do
    box=$(xdotool search --onlyvisible --name "$main_title" 2>/dev/null | grep -vx "$wid" | tail -1 || true)
    [ -n "$box" ] && return 0
    kill -0 "$app" 2>/dev/null || fail "$1: ended without showing why the print failed"
    sleep 0.1
  done
  fail "$1: no message box"
}
dismiss_message() {
  wait_message "$1"
  xdotool windowactivate --sync "$box" 2>/dev/null || true
  xdotool key Return
}

close_cycle() {
  start "CLOSE$1"
  wmctrl -i -c "$wid"
  ended "close $1" 0
}

print_cycle() {
  local mark="PRINTED$1" _
  rm -f "$work/out/SOAK.pdf"
  start "$mark"
  open_dialog "print $1"
  xdotool key Return
  ended "print $1" 0
  for _ in $(seq 300); do
    [ -s "$work/out/SOAK.pdf" ] && [ -z "$(lpstat -o 2>/dev/null)" ] && break
    sleep 0.1
  done
  pdftotext "$work/out/SOAK.pdf" - 2>/dev/null | grep -q "$mark" ||
    fail "print $1: the page did not arrive (jobs: $(lpstat -o 2>&1))"
}

cancel_cycle() {
  start "CANCEL$1"
  open_dialog "cancel $1"
  xdotool key Escape
  ended "cancel $1" 0
}

refused_cycle() {
  export PRINTER=SOAK_R
  start "REFUSED$1"
  open_dialog "refused $1"
  xdotool key Return
  dismiss_message "refused $1"
  ended "refused $1" 1
  unset PRINTER
  [ ! -e "$work/out/SOAK_R.pdf" ] || fail "refused $1: the rejecting queue printed"
  grep -q '^vexlan: .*"SOAK_R".*not accepting jobs' "$work/app.err" || fail "refused $1: stderr does not say why"
}

# Nobody is there: the message box closes itself after 30 s and the
# program ends as when it is confirmed.
unattended_cycle() {
  export PRINTER=SOAK_R
  start "UNATTENDED$1"
  open_dialog "unattended $1"
  xdotool key Return
  wait_message "unattended $1"
  sleep 25
  kill -0 "$app" 2>/dev/null || fail "unattended $1: the message closed long before its time"
  ended "unattended $1" 1
  unset PRINTER
}

deleted_cycle() {
  cupsd_queue "$work" SOAK_D || fail "lpadmin SOAK_D"
  export PRINTER=SOAK_D
  start "DELETED$1"
  open_dialog "deleted $1"
  lpadmin -x SOAK_D || fail "lpadmin -x SOAK_D"
  xdotool key Return
  dismiss_message "deleted $1"
  ended "deleted $1" 1
  unset PRINTER
  grep -q '^vexlan: .*"SOAK_D".*no longer exists' "$work/app.err" ||
    fail "deleted $1: stderr does not say the queue is gone: $(grep '^vexlan: ' "$work/app.err")"
}

# The preview of a text block of 100,000 two-character lines stretched to
# about 4,000 units wide each is drawn and closed in bounded time; zooming
# asks for the page anew while it is still being drawn.
awk 'BEGIN { srand(7); for (i = 0; i < 100000; i++) printf "%c%c\n", 65 + int(rand() * 26), 97 + int(rand() * 26) }' \
  >"$work/two.txt"
stretched_cycle() {
  start "stretched $1" "[{\"type\": 2, \"rect\": [0, 0, 8000, 10], \"path\": \"$work/two.txt\", \"face\": \"Arial\"}]"
  xdotool windowactivate --sync "$wid" 2>/dev/null || true
  xdotool key alt+i alt+i
  wmctrl -i -c "$wid"
  ended "stretched $1" 0
}

kinds=(close print cancel refused deleted)
[ -z "$long" ] || kinds+=(stretched unattended)
[ -z "$only" ] || IFS=, read -r -a kinds <<<"$only"
# Each cycle runs in a subshell, so that one failing cycle is counted and
# the others still run; a program it leaves running is ended.
declare -A passed
begin=$SECONDS failed=0
for i in $(seq "$cycles"); do
  for k in "${kinds[@]}"; do
    if (trap '[ -z "$app" ] || { kill "$app"; wait "$app"; } 2>/dev/null' EXIT; "${k}_cycle" "$i"); then
      passed[$k]=$((${passed[$k]:-0} + 1))
    else
      failed=$((failed + 1))
    fi
  done
done
summary=""
for k in "${kinds[@]}"; do summary+=" $k ${passed[$k]:-0}/$cycles"; done
echo "soak: cycles passed:$summary in $((SECONDS - begin)) s"

if [ -n "$long" ] && [ -z "$only" ]; then
  bash "$here/bounded_pages.sh" --long || fail "bounded_pages.sh --long"
fi
[ "$failed" = 0 ] || fail "$failed cycles failed"
echo "soak: OK"
