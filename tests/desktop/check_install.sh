#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that the desktop entry's Exec line starts
# the installed program and that its icon is where the desktop looks for it.
set -euo pipefail
build_dir=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build_dir" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
entry=$prefix/share/applications/ravelon.desktop
[ -f "$entry" ] || fail "no desktop entry at $entry"
value() { sed -n "s/^$1=//p" "$entry" | head -n 1; }

icon=$(value Icon)
svg=$prefix/share/icons/hicolor/scalable/apps/$icon.svg
png=$prefix/share/icons/hicolor/64x64/apps/$icon.png
[ -f "$svg" ] || fail "icon '$icon' has no scalable picture at $svg"
grep -q '<svg' "$svg" || fail "$svg is not an SVG picture"
[ -f "$png" ] || fail "icon '$icon' has no 64 px picture at $png"
# A PNG's size: width and height as 32-bit big-endian numbers after the IHDR tag.
size=$(od -An -tu1 -j16 -N8 "$png" | awk '{printf "%dx%d", $3*256+$4, $7*256+$8}')
[ "$size" = 64x64 ] || fail "$png is $size, not 64x64"

read -r -a exec_line <<<"$(value Exec)"
program=${exec_line[0]}
[ -x "$prefix/bin/$program" ] || fail "Exec names '$program', which is not in $prefix/bin"

# Started as the desktop would, from the installed bin directory, the program keeps running
# until it is stopped.
workdir=$(mktemp -d -p "$prefix")
status=0
(cd "$workdir" && PATH="$prefix/bin:$PATH" QT_QPA_PLATFORM=offscreen \
  timeout 3 "${exec_line[@]}") || status=$?
[ "$status" -eq 124 ] || fail "'${exec_line[*]}' ended with status $status instead of running"
echo "installed and started: ${exec_line[*]}"
