#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that the desktop entry's Exec line starts
# the installed program and that its icon, manual page and AppStream metadata are where the
# desktop and man look for them.
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

# `man ravelon` and the software centre find theirs under the same prefix.
man_page=$prefix/share/man/man1/ravelon.1.gz
gzip -dc "$man_page" 2>/dev/null | grep -q '^\.TH RAVELON 1' || fail "no manual page at $man_page"
[ -f "$prefix/share/metainfo/io.github.ravelon.ravelon.metainfo.xml" ] ||
  fail "no AppStream metadata under $prefix/share/metainfo"

read -r -a exec_line <<<"$(value Exec)"
program=${exec_line[0]}
[ -x "$prefix/bin/$program" ] || fail "Exec names '$program', which is not in $prefix/bin"

# "Open with": the desktop puts the file in the place of %f (and drops the other field codes).
workdir=$(mktemp -d -p "$prefix")
printf 'x;y\n1.5;2\n2.5;3.25\n' >"$workdir/data.csv"
args=()
for word in "${exec_line[@]}"; do
  case $word in
    %f | %F | %u | %U) args+=("$workdir/data.csv") ;;
    %?) ;;
    *) args+=("$word") ;;
  esac
done
[ "${#args[@]}" -gt 1 ] || fail "Exec line '${exec_line[*]}' takes no file"

# Started as the desktop would, from the installed bin directory, the program keeps running
# until it is stopped; timeout's SIGTERM then closes it as the user's close would, writing the
# opened file's points into veda.asc.
status=0
(cd "$workdir" && PATH="$prefix/bin:$PATH" QT_QPA_PLATFORM=offscreen \
  timeout 3 "${args[@]}") || status=$?
[ "$status" -eq 124 ] || fail "'${args[*]}' ended with status $status instead of running"
grep -q "$(printf '2.500000\t3.250000')" "$workdir/veda.asc" 2>/dev/null ||
  fail "the opened file's points did not reach $workdir/veda.asc"
echo "installed, opened a file and saved its points: ${exec_line[*]}"
