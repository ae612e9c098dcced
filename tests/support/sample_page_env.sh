# SPDX-License-Identifier: MIT
# Sourced by the window-less end-to-end scripts: the environment of a run
# with no printer (the page is A4, origin at the sheet's top-left corner),
# a fail() that names the check, and the sample job built into $work
# (which the caller has made), as $job.
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
export CUPS_SERVER="$work/no-cups.sock"
unset PRINTER

fail() { echo "FAIL: $*" >&2; exit 1; }

bash "$VEXLAN_TEST_DATA/sample/make_sample.sh" "$VEXLAN_JOB_TOOL" "$work" >/dev/null
job="$work/sample.set"
