#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every source file of the tree names its licence on its first line (after a
# script's #!): scripts/spdx-headers --check lists those that do not.
# Skipped (77) outside a git checkout, where the tree's files are not known.
set -euo pipefail
: "${VEXLAN_SOURCE_DIR:?}"
git -C "$VEXLAN_SOURCE_DIR" rev-parse --git-dir >/dev/null 2>&1 || { echo "not a git checkout"; exit 77; }
"$VEXLAN_SOURCE_DIR/scripts/spdx-headers" --check
