#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real program on a virtual display with a small window manager. The
# binary is copied into a temporary directory with a job named after it
# beside it, and started without arguments, as the job producer starts it.
#   1. It opens maximized in Print Preview (a screenshot is kept and checked
#      for the page), the job file is gone, and after the window is closed it
#      exits by itself with status 0.
#      A click on the page zooms in: the page then fills far more of it.
#   2. Print (Alt+P on the preview's toolbar) opens the print dialog; Escape
#      cancels it and the program exits by itself.
#   3. With no window manager the window has its normal place, two thirds of
#      the screen each way, centred; Escape closes it.
# Needs Xvfb, matchbox-window-manager, xdotool, wmctrl, xwininfo and
# ImageMagick; without them it says so and passes.
set -euo pipefail

: "${VEXLAN_BIN:?}" "${VEXLAN_JOB_TOOL:?}"
source "$(dirname "$0")/../support/xvfb_session.sh"
xvfb_require gui_xvfb xwininfo import convert

work=$(mktemp -d /tmp/vexlan-xvfb.XXXXXX)
shots="${VEXLAN_SOURCE_DIR:+$VEXLAN_SOURCE_DIR/build/e2e-screenshots}"
shots="${shots:-$work/shots}"
mkdir -p "$shots"
pids=()
cleanup() {
  local p
  for p in "${pids[@]}" "${xvfb_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}" "${xvfb_pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "gui_xvfb: FAIL: $*" >&2
  [ -f "$work/app.err" ] && tail -5 "$work/app.err" >&2
  # The windows there were, for a window that was not found.
  xwininfo -root -tree 2>/dev/null | grep -E '^ +0x' | head -12 >&2 || true
  exit 1
}

# A virtual screen on a free display number, and a window manager on it.
W=1280 H=800
xvfb_start "$work" "${W}x${H}" || fail "Xvfb did not start: $(cat "$work/xvfb.err")"

# The program and its job, the way the producer leaves them.
mkdir "$work/app"
cp "$VEXLAN_BIN" "$work/app/prn"
cat >"$work/job.json" <<'JSON'
[
  {"type": 3, "rect": [1000, 1000, 20000, 28000], "penWidth": 50, "color": 0},
  {"type": 0, "rect": [1500, 1500, 19500, 3000], "text": "Vexlan 打印输出", "face": "黑体", "align": 1},
  {"type": 3, "rect": [3000, 5000, 18000, 12000], "penWidth": 0, "color": 255}
]
JSON
make_job() { "$VEXLAN_JOB_TOOL" build "$work/job.json" -o "$work/app/prn.set" >/dev/null || fail "job tool"; }

# ---- 1. preview, maximized, closed by the window manager -------------------
make_job
"$work/app/prn" 2>"$work/app.err" &
app=$!
pids+=($app)
wid=$(wait_window "^打印输出$") || fail "no main window"
[ ! -e "$work/app/prn.set" ] || fail "the job file is still there"

read -r ww wh < <(xwininfo -id "$wid" | awk '/^ *Width:/ {w=$2} /^ *Height:/ {h=$2} END {print w, h}')
echo "gui_xvfb: main window ${ww}x${wh} on a ${W}x${H} screen"
[ "$ww" -ge $((W * 95 / 100)) ] && [ "$wh" -ge $((H * 90 / 100)) ] || fail "window ${ww}x${wh} is not maximized"

# The preview draws the page after the window is mapped: wait until white
# paper shows, then keep the screenshot.
white=0
for _ in $(seq 50); do
  import -window root "$shots/gui_xvfb_preview.png" 2>/dev/null || true
  white=$(convert "$shots/gui_xvfb_preview.png" -fill black +opaque white -format "%[fx:int(mean*1000)]" info: 2>/dev/null || echo 0)
  [ "$white" -ge 150 ] && break
  sleep 0.1
done
echo "gui_xvfb: screenshot $shots/gui_xvfb_preview.png (white paper ${white}/1000 of the screen)"
[ "$white" -ge 150 ] || fail "no page visible in the preview"
# The page is drawn: the red frame of the job is on it.
red=$(convert "$shots/gui_xvfb_preview.png" -fill black +opaque "rgb(255,0,0)" -format "%[fx:int(mean*100000)]" info:)
[ "$red" -gt 0 ] || fail "the page's red frame is not in the preview"

# A click on the page, a little above its centre, zooms in there.
xdotool mousemove --window "$wid" $((ww / 2)) $((wh * 2 / 5)) click 1
zoomed=0
for _ in $(seq 30); do
  sleep 0.1
  import -window root "$shots/gui_xvfb_zoomed.png" 2>/dev/null || true
  zoomed=$(convert "$shots/gui_xvfb_zoomed.png" -fill black +opaque white -format "%[fx:int(mean*1000)]" info: 2>/dev/null || echo 0)
  [ "$zoomed" -ge $((white * 3 / 2)) ] && break
done
echo "gui_xvfb: clicked the page: white paper ${zoomed}/1000 of the screen (was ${white})"
[ "$zoomed" -ge $((white * 3 / 2)) ] || fail "a click on the page did not zoom in"

wmctrl -i -c "$wid"
wait_exit "$app" || fail "the program did not exit after its window was closed"
[ "$status" = 0 ] || fail "exit status $status after closing the window"
echo "gui_xvfb: closed the window, exited with 0"

# ---- 2. Print, then cancel the dialog ---------------------------------------
make_job
"$work/app/prn" 2>"$work/app.err" &
app=$!
pids+=($app)
wid=$(wait_window "^打印输出$") || fail "no main window (second run)"
sleep 0.3
xdotool windowactivate --sync "$wid" 2>/dev/null || true
xdotool key alt+p
# X11 titles carry the application name: "打印 — 打印输出".
dlg=$(wait_window "^打印( — 打印输出)?$") || fail "no print dialog after Alt+P"
sleep 0.3
import -window root "$shots/gui_xvfb_print_dialog.png" 2>/dev/null || true
echo "gui_xvfb: screenshot $shots/gui_xvfb_print_dialog.png"
kill -0 "$app" 2>/dev/null || fail "the program ended while its print dialog was up"
xdotool windowactivate --sync "$dlg" 2>/dev/null || true
xdotool key Escape
wait_exit "$app" || fail "the program did not exit after the dialog was cancelled"
[ "$status" = 0 ] || fail "exit status $status after cancelling"
echo "gui_xvfb: cancelled the print dialog, exited with 0"

# ---- 3. no window manager: the normal place ---------------------------------
kill "${xvfb_pids[1]}"
wait "${xvfb_pids[1]}" 2>/dev/null || true
make_job
"$work/app/prn" 2>"$work/app.err" &
app=$!
pids+=($app)
wid=$(wait_window "^打印输出$" 300) || fail "no main window (no window manager)"
sleep 0.3
read -r wx wy ww wh < <(xwininfo -id "$wid" | awk '/Absolute upper-left [XY]:/ {p = p $4 " "}
  /^ *(Width|Height):/ {s = s $2 " "} END {print p s}')
echo "gui_xvfb: without a window manager the window is ${ww}x${wh} at ${wx},${wy}"
near() { [ $((($1 - $2) * ($1 - $2))) -le 400 ]; } # within 20 pixels
near "$ww" $((W * 2 / 3)) && near "$wh" $((H * 2 / 3)) && near $((wx * 2 + ww)) "$W" && near $((wy * 2 + wh)) "$H" ||
  fail "the window is not two thirds of the screen, centred"
xdotool windowfocus --sync "$wid" 2>/dev/null || true
xdotool key Escape
wait_exit "$app" || fail "the program did not exit after Escape (no window manager)"
[ "$status" = 0 ] || fail "exit status $status after Escape"
echo "gui_xvfb: Escape closed the preview, exited with 0"
echo "gui_xvfb: OK"
