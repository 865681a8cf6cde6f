#!/usr/bin/env bash
# Validates a desktop entry; fails on anything the validator prints, hints included (it exits 0
# on hints, which would let a menu entry shown twice slip through). Skipped (exit 77) when the
# validator is not installed.
set -euo pipefail
if ! command -v desktop-file-validate >/dev/null; then
  echo "desktop-file-validate is not installed (Debian: desktop-file-utils); skipped"
  exit 77
fi
status=0
output=$(desktop-file-validate "$1" 2>&1) || status=$?
if [[ $status -ne 0 || -n "$output" ]]; then
  printf '%s\n' "$output"
  exit 1
fi
