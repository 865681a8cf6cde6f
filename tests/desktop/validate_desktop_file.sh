#!/usr/bin/env bash
# Validates a desktop entry; skipped (exit 77) when the validator is not installed.
set -euo pipefail
if ! command -v desktop-file-validate >/dev/null; then
  echo "desktop-file-validate is not installed (Debian: desktop-file-utils); skipped"
  exit 77
fi
desktop-file-validate "$1"
