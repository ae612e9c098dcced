#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs every libFuzzer target of the fuzz build for a short while, starting
# from the seed corpus in tests/fuzz/corpus/<target>/, and fails when a
# target finds a crash, a leak, a timeout or an out-of-memory input. Skips
# (successfully) when the fuzz build is absent.
set -euo pipefail

src="${VEXLAN_SOURCE_DIR:?VEXLAN_SOURCE_DIR must name the source tree}"
fuzz_dir="$src/build/fuzz/tests/fuzz"
seconds="${VEXLAN_FUZZ_SECONDS:-8}"

shopt -s nullglob
targets=()
for f in "$fuzz_dir"/fuzz_*; do
  [ -f "$f" ] && [ -x "$f" ] && targets+=("$f")
done
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz_smoke: no fuzz build in $fuzz_dir (build the 'fuzz' preset); skipped"
  exit 77
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

failed=0
for bin in "${targets[@]}"; do
  name="$(basename "$bin")"
  corpus="$work/$name/corpus"
  artifacts="$work/$name/artifacts"
  mkdir -p "$corpus" "$artifacts"
  dirs=("$corpus")
  [ -d "$src/tests/fuzz/corpus/$name" ] && dirs+=("$src/tests/fuzz/corpus/$name")
  echo "fuzz_smoke: $name for ${seconds}s"
  # New inputs go to the scratch corpus (the first directory); the seeds in
  # the source tree are only read.
  if ! TMPDIR="$work/$name" "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "${dirs[@]}" \
        >"$work/$name/log" 2>&1; then
    echo "fuzz_smoke: $name FAILED; last lines of its log:"
    tail -n 40 "$work/$name/log"
    for a in "$artifacts"/*; do
      echo "fuzz_smoke: reproducer $(basename "$a"): $(od -An -tx1 -N 256 "$a" | tr -s ' \n' ' ')"
    done
    failed=1
  else
    grep -E 'stat::number_of_executed_units' "$work/$name/log" || true
  fi
done
exit $failed
