#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A private CUPS scheduler for tests: its own configuration, spool, logs and
# socket under one directory, so that it never meets the system's scheduler
# on port 631. With a port it also listens on 127.0.0.1:PORT and stands in
# for a print server reached over IPP. Queues print PDF into DIR/out.
#   private_cupsd.sh start DIR [PORT]   start; its PID goes to DIR/cupsd.pid,
#                                       the socket is DIR/cups.sock;
#                                       CUPSD_EXTRA_CONF: lines added to
#                                       its cupsd.conf
#   private_cupsd.sh queue DIR NAME [PAGESIZE]
#                                       a pass-through PDF queue writing
#                                       DIR/out/NAME.pdf, its PPD defaulting
#                                       to PAGESIZE (Letter, A4, A5 ...)
#   private_cupsd.sh stop DIR
#   private_cupsd.sh require NAME [TOOL...]
#                                       exits 77 (a skip) when root, cupsd,
#                                       the PPD or a tool is missing
# Sourced, it defines the same as cupsd_start, cupsd_queue, cupsd_stop and
# cupsd_require. DIR's parents must be open to all: the filters run as the
# scheduler's user.

CUPSD_PPD=/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd

cupsd_require() {
  local name=$1 t
  shift
  [ "$(id -u)" -eq 0 ] || { echo "$name: SKIP (needs root to run a scheduler)"; exit 77; }
  for t in /usr/sbin/cupsd "$CUPSD_PPD" lpadmin lpstat "$@"; do
    [ -e "$t" ] || command -v "$t" >/dev/null || { echo "$name: SKIP ($t missing; scripts/setup installs it)"; exit 77; }
  done
}

cupsd_start() {
  local dir=$1 port=${2:-}
  mkdir -p "$dir/etc" "$dir/spool/tmp" "$dir/cache" "$dir/state" "$dir/log" "$dir/out" || return 1
  # The file backend runs as the scheduler's unprivileged user.
  chmod 755 "$dir" && chmod 1777 "$dir/out" || return 1
  {
    echo "LogLevel warn"
    echo "PreserveJobFiles Yes" # the PDFs handed to it stay in DIR/spool for checking
    echo "DirtyCleanInterval 0" # a job's attributes (DIR/spool/cNNNNN) are on disk at once
    echo "Listen $dir/cups.sock"
    [ -z "$port" ] || echo "Listen 127.0.0.1:$port"
    printf '%s\n' "Browsing No" "WebInterface No" "DefaultAuthType None" \
      "<Location />" "  Order allow,deny" "  Allow all" "</Location>" \
      "<Policy default>" "  <Limit All>" "    Order deny,allow" "  </Limit>" "</Policy>"
    [ -z "${CUPSD_EXTRA_CONF:-}" ] || echo "$CUPSD_EXTRA_CONF"
  } >"$dir/etc/cupsd.conf"
  printf '%s\n' "FileDevice Yes" "ServerRoot $dir/etc" "RequestRoot $dir/spool" "TempDir $dir/spool/tmp" \
    "CacheDir $dir/cache" "StateDir $dir/state" "AccessLog $dir/log/access_log" \
    "ErrorLog $dir/log/error_log" "PageLog $dir/log/page_log" "SystemGroup root" \
    >"$dir/etc/cups-files.conf"
  /usr/sbin/cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" </dev/null >/dev/null 2>&1 &
  echo $! >"$dir/cupsd.pid"
  local _
  for _ in $(seq 100); do
    # Ready once it answers on every address it was given.
    if CUPS_SERVER="$dir/cups.sock" lpstat -r 2>/dev/null | grep -q "is running" &&
       { [ -z "$port" ] || CUPS_SERVER="127.0.0.1:$port" lpstat -r 2>/dev/null | grep -q "is running"; }; then
      return 0
    fi
    kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

cupsd_queue() {
  local dir=$1 name=$2 size=${3:-}
  CUPS_SERVER="$dir/cups.sock" lpadmin -p "$name" -E -v "file://$dir/out/$name.pdf" -P "$CUPSD_PPD" \
    ${size:+-o PageSize="$size"} 2>/dev/null
}

cupsd_stop() {
  local pid
  pid=$(cat "$1/cupsd.pid" 2>/dev/null) || return 0
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null # reaps it when this shell started it
  local _
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  rm -f "$1/cupsd.pid"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  cmd=$1
  shift
  "cupsd_$cmd" "$@"
fi
