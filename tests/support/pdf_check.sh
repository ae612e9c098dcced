# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Sourced by the scripts that make PDFs: pdf_check FILE... fails (through the
# caller's fail) unless qpdf --check finds each file sound: no error (status 2)
# and no warning (status 3, such as a duplicated dictionary key).
pdf_check() {
  local f out
  for f in "$@"; do out=$(qpdf --check "$f" 2>&1) || fail "$f: qpdf --check: $(grep -m3 -i 'warn\|error\|not found' <<<"$out")"; done
}
