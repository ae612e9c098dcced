#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# --pdf and --png are all or nothing: a file system that fills up, a file
# size limit, a target that is a directory or a device, or a read-only
# directory ends with status 1 and one line on stderr, leaves an existing
# target as it was and leaves no partial or temporary file behind. The
# full and read-only file systems are small tmpfs mounts (32 KiB) (root only; they
# are skipped otherwise and always unmounted).
set -euo pipefail
: "${VEXLAN_BIN:?}" "${VEXLAN_JOB_TOOL:?}" "${VEXLAN_TEST_DATA:?}"

work="$(mktemp -d)"
mounts=()
cleanup() {
    for m in "${mounts[@]}"; do umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
. "$(dirname "$0")/../support/sample_page_env.sh"

# expect_failure DIR TARGET OPTION...: status 1, one "cannot write" line,
# DIR holds exactly what it held before (an existing target unchanged).
expect_failure() {
    local dir="$1" target="$2" before after st
    shift 2
    before="$(ls -lA --time-style=full-iso "$dir"; [ -f "$target" ] && md5sum <"$target" || true)"
    set +e
    "$VEXLAN_BIN" --job "$job" --keep-job "$@" 2>"$work/err"
    st=$?
    set -e
    after="$(ls -lA --time-style=full-iso "$dir"; [ -f "$target" ] && md5sum <"$target" || true)"
    [ "$st" -eq 1 ] || fail "$* exit $st"
    [ "$(wc -l <"$work/err")" -eq 1 ] && grep -q '^vexlan: cannot write P[DN][FG] file ' "$work/err" ||
        fail "$*: stderr: $(cat "$work/err")"
    [ "$before" = "$after" ] || fail "$*: the directory changed: $after"
}

# A file size limit (as a quota would): writes fail with EFBIG once the
# file reaches 16 KiB; the signal that would end the process is ignored.
mkdir "$work/out"
echo "old" >"$work/out/page.pdf"
echo "old" >"$work/out/page.png"
(
    trap '' XFSZ
    ulimit -f 16
    expect_failure "$work/out" "$work/out/page.pdf" --pdf "$work/out/page.pdf"
    expect_failure "$work/out" "$work/out/page.png" --png "$work/out/page.png" --dpi 300
)
grep -q 'File too large' "$work/err" || fail "size limit reason: $(cat "$work/err")"

# Targets that cannot be replaced by a file.
mkdir "$work/out/dir.pdf" "$work/out/dir.png"
expect_failure "$work/out" "$work/out/dir.pdf" --pdf "$work/out/dir.pdf"
expect_failure "$work/out" "$work/out/dir.png" --png "$work/out/dir.png"
expect_failure "$work/out" /dev/full --pdf /dev/full
expect_failure "$work/out" /dev/full --png /dev/full

# A successful write replaces the old file whole, with its mode kept.
chmod 640 "$work/out/page.png"
"$VEXLAN_BIN" --job "$job" --keep-job --png "$work/out/page.png" --dpi 30 2>/dev/null || fail "png to a good target"
[ "$(head -c 4 "$work/out/page.png" | od -An -c | tr -d ' ')" = '211PNG' ] || fail "png replaced"
[ "$(stat -c %a "$work/out/page.png")" = 640 ] || fail "png mode"
[ "$(ls -A "$work/out" | wc -l)" -eq 4 ] || fail "stray files: $(ls -A "$work/out")"

if [ "$(id -u)" -ne 0 ]; then
    echo "output faults: ok (file systems skipped: not root)"
    exit 0
fi
mkdir "$work/full" "$work/ro"
if ! mount -t tmpfs -o size=32k tmpfs "$work/full" 2>/dev/null; then
    echo "output faults: ok (file systems skipped: cannot mount tmpfs)"
    exit 0
fi
mounts+=("$work/full")
mount -t tmpfs -o size=32k tmpfs "$work/ro" && mounts+=("$work/ro")
echo "old" >"$work/ro/page.pdf"
mount -o remount,ro "$work/ro"

# A full file system: the reason is the system's, the old file stays.
echo "old" >"$work/full/page.pdf"
expect_failure "$work/full" "$work/full/page.pdf" --pdf "$work/full/page.pdf"
grep -q 'No space left on device' "$work/err" || fail "full pdf reason: $(cat "$work/err")"
expect_failure "$work/full" "$work/full/new.png" --png "$work/full/new.png" --dpi 300
grep -q 'No space left on device' "$work/err" || fail "full png reason: $(cat "$work/err")"
# A read-only file system.
expect_failure "$work/ro" "$work/ro/page.pdf" --pdf "$work/ro/page.pdf"
grep -q 'Read-only file system' "$work/err" || fail "read-only reason: $(cat "$work/err")"
echo "output faults: ok"
