#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Image pages: how fast, how big and how heavy a page with photos is on the
# job -> PDF path, against the bare decode of its JPEGs and a browser.
# Builds five pages itself (text: 530 items in Chinese and Latin; photo: six
# 4000 x 3000 JPEGs at 93 x 78 mm and 4 lines; mixed: 95 items with two
# 1600 x 1200 JPEGs; blank: one line; twenty: twenty different 4000 x 3000
# JPEGs at 48 x 55 mm), then in interleaved rounds times
#   vexlan --job J --keep-job --pdf OUT     (peak RSS from /usr/bin/time)
#   djpeg of each of the page's JPEGs to /dev/null, one after another
#   vexlan --png at 150 dpi of the photo and twenty pages (and peak RSS)
#   vexlan --print of the photo and twenty pages to a held queue of a private
#     scheduler (root only: the spool's time, its JPEGs, peak RSS)
#   the preview of the blank, photo and twenty pages under Xvfb: start to
#     painted page and to its first window (the load progress), peak RSS
#   headless chromium printing an equivalent HTML page to PDF (if installed)
# and prints the medians, the ratios, the PDF size against the JPEG bytes,
# whether `pdfimages -all` gives the JPEGs back byte for byte, and a table of
# the performance goals with PASS or FAIL. The work is in image_pages.py.
#
# usage: image_pages.sh [BUILD_DIR] [--rounds N] [--strict] [--keep]
#   BUILD_DIR         a build tree holding src/vexlan and tools/vexlan-job;
#                     without it VEXLAN_BIN and VEXLAN_JOB_TOOL name them
#   --rounds N        rounds whose median is shown (default 5)
#   --strict          exit status 1 when a goal fails
#   --keep            keep the pages, JPEGs and PDFs (the path goes to stderr)
# needs: python3, cjpeg, djpeg and jpegtran (libjpeg-turbo-progs), pdfimages
# (poppler-utils), /usr/bin/time; chromium is optional (`scripts/setup --bench`
# installs it). Takes about a minute to make the JPEGs plus 20 to 40 s a round.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then
  VEXLAN_BIN="$1/src/vexlan"
  VEXLAN_JOB_TOOL="$1/tools/vexlan-job"
  shift
fi
: "${VEXLAN_BIN:?give a build directory or set VEXLAN_BIN and VEXLAN_JOB_TOOL}"
: "${VEXLAN_JOB_TOOL:?give a build directory or set VEXLAN_BIN and VEXLAN_JOB_TOOL}"
for tool in "$VEXLAN_BIN" "$VEXLAN_JOB_TOOL"; do
  [ -x "$tool" ] || { echo "image_pages: $tool is not an executable" >&2; exit 2; }
done
for tool in python3 cjpeg djpeg jpegtran pdfimages /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "image_pages: $tool is missing" >&2; exit 2; }
done

exec python3 "$here/image_pages.py" --vexlan "$(realpath "$VEXLAN_BIN")" \
  --job-tool "$(realpath "$VEXLAN_JOB_TOOL")" "$@"
