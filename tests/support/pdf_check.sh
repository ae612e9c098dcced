# Sourced by the scripts that make PDFs: pdf_check FILE... fails (through
# the caller's fail) unless qpdf --check finds each file sound, without an
# error (status 2) or a warning (status 3: a duplicated dictionary key, a
# damaged cross-reference table that readers would have to repair).
pdf_check() {
  local f out
  command -v qpdf >/dev/null || fail "qpdf missing (scripts/setup installs it)"
  for f in "$@"; do
    out=$(qpdf --check "$f" 2>&1) || fail "$f: qpdf --check: $(grep -iv '^checking\|^PDF Version\|^File is not\|^No syntax' <<<"$out" | head -5)"
  done
}
