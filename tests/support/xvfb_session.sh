#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A virtual display with a small window manager for end-to-end tests of the
# real window, and the waits such tests need. Source it, then:
#   xvfb_require NAME [TOOL...]   exits 77 (a skip) when Xvfb, the window
#                                 manager, xdotool, wmctrl or a TOOL is missing
#   xvfb_start DIR [WxH]          Xvfb on a free display (-displayfd) and
#                                 matchbox-window-manager without key bindings
#                                 of its own; exports DISPLAY and
#                                 XDG_RUNTIME_DIR, adds both PIDs to
#                                 xvfb_pids (the caller ends them)
#   wait_window REGEX [TENTHS]    prints the id of a visible window whose name
#                                 matches (default: within 15 s)
#   wait_exit PID [TENTHS]        waits for a child of this shell to end (default:
#                                 within 10 s) and sets `status` to its exit
#                                 status; fails when it is still running

xvfb_pids=()

xvfb_require() {
  local name=$1 t
  shift
  for t in Xvfb matchbox-window-manager xdotool wmctrl "$@"; do
    command -v "$t" >/dev/null || { echo "$name: SKIP ($t missing; scripts/setup installs it)"; exit 77; }
  done
}

# -noreset: the server stays up when its last client leaves (the window
# manager killed before a start without one), instead of resetting and
# refusing the next connection for a moment.
xvfb_start() {
  local dir=$1 size=${2:-1280x800} _
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$dir/display" 2>"$dir/xvfb.err" &
  xvfb_pids+=($!)
  for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
  [ -s "$dir/display" ] || return 1
  export DISPLAY=":$(head -1 "$dir/display")"
  # Its default bindings take Alt+P, Alt+N and Alt+C, which the preview's
  # toolbar uses.
  : >"$dir/kbdconfig"
  matchbox-window-manager -use_titlebar no -kbdconfig "$dir/kbdconfig" >/dev/null 2>&1 &
  xvfb_pids+=($!)
  unset QT_QPA_PLATFORM
  export XDG_RUNTIME_DIR="$dir/runtime"
  mkdir -m 700 -p "$XDG_RUNTIME_DIR"
}

wait_window() {
  local id _
  for _ in $(seq "${2:-150}"); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# Runs in the caller's shell: only the parent can collect a child's status.
wait_exit() {
  local pid=$1 _
  for _ in $(seq "${2:-100}"); do
    if ! kill -0 "$pid" 2>/dev/null; then
      status=0
      wait "$pid" || status=$?
      return 0
    fi
    sleep 0.1
  done
  return 1
}
