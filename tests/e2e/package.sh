#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Debian package: made by CPack from the build under test (or the .deb
# named by VEXLAN_DEB, e.g. scripts/package's), it holds the two programs,
# their manual pages, the documents and the producer kit and nothing else,
# the installed kit writes the same job as the installed builder, and the programs
# work from the unpacked tree: a job built from the installed example renders
# to PDF with nothing on stderr. The manual pages are valid roff and name
# every option that --help names. The documents over 4 kB are compressed, the
# copyright file is machine-readable and the changelog's newest entry is the
# package's version. On scripts/package's .deb (VEXLAN_DEB, as
# scripts/check-package passes it) also: hardening-check passes on both
# programs, and lintian reports no error or warning but the kept ones below.
set -euo pipefail

: "${VEXLAN_BIN:?}"
for tool in dpkg-deb cpack groff; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

deb="${VEXLAN_DEB:-}"
if [ -z "$deb" ]; then
  # The build tree is the directory above the binary that holds CPack's configuration.
  tree="$(dirname "$VEXLAN_BIN")"
  while [ "$tree" != / ] && [ ! -f "$tree/CPackConfig.cmake" ]; do tree="$(dirname "$tree")"; done
  [ -f "$tree/CPackConfig.cmake" ] || { echo "no CPackConfig.cmake above $VEXLAN_BIN"; exit 1; }
  (cd "$work" && cpack -G DEB --config "$tree/CPackConfig.cmake" -B "$work/pkg") >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; exit 1; }
  deb="$(ls "$work"/pkg/vexlan_*.deb)"
fi

# Contents: exactly the programs, the manual pages and the documents, the
# documents over 4 kB compressed (the copyright file never is).
dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' | sort >"$work/files"
doc=./usr/share/doc/vexlan
for want in ./usr/bin/vexlan ./usr/bin/vexlan-job \
    ./usr/share/man/man1/vexlan.1.gz ./usr/share/man/man1/vexlan-job.1.gz \
    "$doc/copyright" "$doc/changelog.gz" "$doc/examples/slip.json" \
    "$doc/README.md*" "$doc/job-format.md*" "$doc/packed-format.md*" \
    ./usr/include/vexlan/job.h ./usr/lib/python3/dist-packages/vexlan_job/__init__.py \
    ./usr/share/vexlan/job.schema.json; do
  grep -qxE "$(sed 's/[.]/[.]/g; s/[*]$/(.gz)?/' <<<"$want")" "$work/files" ||
    { echo "missing from the package: $want"; exit 1; }
done
kit='include/vexlan/job\.h|lib/python3/dist-packages/vexlan_job/[a-z_]+\.py|share/vexlan/job\.schema\.json'
if grep -vE "^\./usr/(bin/vexlan(-job)?|share/man/man1/[^/]+\.1\.gz|share/doc/vexlan/.+|$kit)\$" "$work/files"; then
  echo "unexpected files in the package (above)"; exit 1
fi
dpkg-deb -x "$deb" "$work/root"
big="$(cd "$work/root" && find "$doc" -type f ! -name '*.gz' ! -name copyright -size +4096c)"
[ -z "$big" ] || { echo "documents over 4 kB left uncompressed: $big"; exit 1; }
head -n 1 "$work/root/$doc/copyright" |
  grep -qxF 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  { echo "the copyright file is not in the machine-readable format"; exit 1; }

# Control fields: the version the program reports, library dependencies
# from dpkg-shlibdeps, the fonts it draws with (each with its alternatives),
# the changelog's newest entry.
bin="$work/root/usr/bin"
version="$("$bin/vexlan" --version)"
[ "$version" = "vexlan $(dpkg-deb -f "$deb" Version)" ] || { echo "version mismatch: $version"; exit 1; }
depends="$(dpkg-deb -f "$deb" Depends)"
for dep in libqt6printsupport6 libjpeg62-turbo zlib1g "fonts-wqy-zenhei | fonts-noto-cjk" \
    "fonts-arphic-uming | fonts-noto-cjk" "fonts-liberation2 | fonts-liberation" fonts-dejavu-core; do
  [[ "$depends" == *"$dep"* ]] || { echo "Depends lacks $dep: $depends"; exit 1; }
done
[[ "$(dpkg-deb -f "$deb" Recommends)" == *cups* ]] || { echo "cups is not recommended"; exit 1; }
zcat "$work/root/$doc/changelog.gz" >"$work/changelog"
[ "$(dpkg-parsechangelog -l "$work/changelog" -S Version)" = "${version#vexlan }" ] ||
  { echo "the changelog's newest entry is not $version"; exit 1; }
if readelf -d "$bin/vexlan" "$bin/vexlan-job" | grep -iE 'rpath|runpath'; then
  echo "installed programs carry a library search path"; exit 1
fi

# The unpacked programs make and render a job; a run without a window says
# nothing on stderr, even where XDG_RUNTIME_DIR is unset (cron, services).
export VEXLAN_CODEPAGE=936
"$bin/vexlan-job" build "$work/root/usr/share/doc/vexlan/examples/slip.json" -o "$work/slip.set"
env -u XDG_RUNTIME_DIR "$bin/vexlan" --job "$work/slip.set" --pdf "$work/slip.pdf" 2>"$work/stderr"
[ ! -s "$work/stderr" ] || { echo "stderr of a PDF run:"; cat "$work/stderr"; exit 1; }
[ ! -e "$work/slip.set" ] || { echo "the job was not consumed"; exit 1; }
[ "$(head -c 5 "$work/slip.pdf")" = "%PDF-" ] || { echo "no PDF written"; exit 1; }

# The installed producer kit writes the same job: the C example against the
# installed header, the Python example with the installed module.
ex="$work/root/usr/share/doc/vexlan/examples"
"$bin/vexlan-job" build "$ex/slip.json" -o "$work/tool.set"
cc -std=c99 -Wall -Wextra -pedantic -Werror -I"$work/root/usr/include" "$ex/slip.c" -o "$work/slip-c"
"$work/slip-c" "$work/c.set"
cmp "$work/c.set" "$work/tool.set"
PYTHONPATH="$work/root/usr/lib/python3/dist-packages" PYTHONDONTWRITEBYTECODE=1 python3 "$ex/slip.py" "$work/py.set"
cmp "$work/py.set" "$work/tool.set"

# Manual pages: no roff warnings, the version filled in, every option of
# --help documented.
check_page() {  # check_page PAGE HELP_TEXT
  zcat "$work/root/usr/share/man/man1/$1.1.gz" >"$work/$1.1"
  LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$work/$1.1" 2>"$work/groff.err"
  [ ! -s "$work/groff.err" ] || { echo "$1.1:"; cat "$work/groff.err"; exit 1; }
  grep -q "Vexlan ${version#vexlan }" "$work/$1.1" || { echo "$1.1 lacks the version"; exit 1; }
  LC_ALL=C.UTF-8 groff -man -Tutf8 -P-cbou "$work/$1.1" 2>/dev/null >"$work/$1.txt"
  for opt in $(grep -oE -- '--[a-z][a-z-]*' <<<"$2" | sort -u); do
    grep -qF -- "$opt" "$work/$1.txt" || { echo "$1(1) does not document $opt"; exit 1; }
  done
}
check_page vexlan "$("$bin/vexlan" --help)"
check_page vexlan-job "$("$bin/vexlan-job" --help)"

# scripts/package's .deb only: the build flags and Debian's own checks.
if [ -n "${VEXLAN_DEB:-}" ]; then
  # Control-flow protection is left out: Debian 12's dpkg-buildflags does
  # not ask for it (-fcf-protection), and neither are its own packages built so.
  hardening-check --nocfprotection "$bin/vexlan" "$bin/vexlan-job" >"$work/hardening" ||
    { cat "$work/hardening"; exit 1; }
  # No tag is kept: every error and warning lintian reports fails the test.
  lintian -EI --pedantic "$deb" >"$work/lintian" 2>&1 || true
  if grep -E '^[EW]: ' "$work/lintian"; then
    echo "lintian reports the errors or warnings above"; exit 1
  fi
  grep -E '^[IP]: ' "$work/lintian" || true   # shown, not failed on
fi
echo "package ok: $(basename "$deb")"
