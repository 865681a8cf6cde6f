#!/usr/bin/env bash
# Checks what the Debian package carries and how it installs. One mode per CTest test:
#   manpage  SOURCE_DIR PROGRAM            the manual page lints clean and names the options --help names
#   metainfo SOURCE_DIR                    the AppStream metadata validates and agrees with the desktop entry
#   deb      SOURCE_DIR BUILD_DIR PROGRAM  the package's name, fields and files; lintian finds nothing
#   install  SOURCE_DIR BUILD_DIR PROGRAM  as root: apt-get installs it, the program runs, removal leaves
#                                          nothing behind (the machine is restored even on failure)
# A check whose tool is missing says so and is skipped (exit 77 when nothing was left to check).
set -euo pipefail
mode=$1
src=$2

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
skip() {
  echo "SKIPPED: $*"
  exit 77
}
have() { command -v "$1" >/dev/null; }

metainfo=$src/desktop/io.github.ravelon.ravelon.metainfo.xml
desktop=$src/desktop/ravelon.desktop
manpage=$src/docs/ravelon.1

# Option names (--name, -x) in a text, one per line, sorted and unique. A dash counts only where
# no letter, digit or dash precedes it, so "80-bit" and "byte-order" are not options.
option_names() {
  grep -oE '(^|[^[:alnum:]-])--?[a-z][a-z-]*' | sed -E 's/^[^-]*//' | sort -u
}

# Builds the package from the build tree into a new directory; prints the .deb's path.
build_deb() {
  local build=$1 out=$2
  "${CPACK:-cpack}" -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log" >&2; fail "cpack could not build the package"; }
  local debs=("$out"/*.deb)
  [ -f "${debs[0]}" ] || fail "cpack wrote no .deb into $out"
  echo "${debs[0]}"
}

case $mode in
manpage)
  program=$3
  checked=0
  if have mandoc; then
    out=$(mandoc -T lint "$manpage" 2>&1) || true
    [ -z "$out" ] || fail "mandoc -T lint:"$'\n'"$out"
    echo "mandoc -T lint: clean"
    checked=1
  else
    echo "mandoc is not installed (Debian: mandoc); its lint is skipped"
  fi
  if have groff; then
    out=$(groff -ww -man -z "$manpage" 2>&1)
    [ -z "$out" ] || fail "groff -ww:"$'\n'"$out"
    echo "groff -ww: clean"
    checked=1
  else
    echo "groff is not installed (Debian: groff-base); its check is skipped"
  fi
  if have man; then
    out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$manpage" 2>&1 >/dev/null)
    [ -z "$out" ] || fail "man -l:"$'\n'"$out"
    echo "man -l: renders without warnings"
  fi
  # Both must name the same options. The page may add a short alias of a long option (-h,
  # --help) that the usage text leaves out, as long as the program takes it.
  help_opts=$("$program" --help | option_names)
  page_opts=$(grep -v '^\.\\"' "$manpage" | sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' | option_names)
  [ -n "$help_opts" ] || fail "no options found in the output of --help"
  long() { grep -E '^--' || true; }
  short() { grep -vE '^--' || true; }
  if [ "$(long <<<"$help_opts")" != "$(long <<<"$page_opts")" ]; then
    echo "long options of --help:        " $(long <<<"$help_opts") >&2
    echo "long options of the manual page:" $(long <<<"$page_opts") >&2
    fail "--help and the manual page name different options"
  fi
  missing=$(comm -23 <(short <<<"$help_opts") <(short <<<"$page_opts"))
  [ -z "$missing" ] || fail "the manual page lacks the short options of --help: $missing"
  for opt in $(comm -13 <(short <<<"$help_opts") <(short <<<"$page_opts")); do
    status=0
    err=$(QT_QPA_PLATFORM=offscreen timeout 10 "$program" "$opt" 2>&1 >/dev/null) || status=$?
    [ "$status" -ne 124 ] || fail "'ravelon $opt' did not end"
    ! grep -q "unknown option" <<<"$err" || fail "the manual page names $opt, which ravelon refuses"
  done
  echo "options of --help and the manual page agree:" $page_opts
  [ $checked -eq 1 ] || echo "(no roff linter installed: only the options were compared)"
  ;;

metainfo)
  have appstreamcli || skip "appstreamcli is not installed (Debian: appstream)"
  # Offline: the screenshot's address is checked for its form, not fetched.
  out=$(appstreamcli validate --pedantic --strict --no-net "$metainfo" 2>&1) ||
    fail "appstreamcli validate:"$'\n'"$out"
  printf '%s\n' "$out"
  element() { sed -n "s:.*<$1[^>]*>\([^<]*\)</$1>.*:\1:p" "$metainfo"; }
  entry() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }
  [ "$(element launchable)" = "$(basename "$desktop")" ] ||
    fail "the launchable '$(element launchable)' is not the desktop entry $(basename "$desktop")"
  id=$(element id)
  [ "$(basename "$metainfo")" = "$id.metainfo.xml" ] || fail "the file name does not carry the id '$id'"
  exec_program=$(entry Exec | cut -d' ' -f1)
  [ "$(element binary)" = "$exec_program" ] ||
    fail "the provided binary '$(element binary)' is not the entry's program '$exec_program'"
  types_meta=$(element mediatype | sort)
  types_entry=$(entry MimeType | tr ';' '\n' | sed '/^$/d' | sort)
  [ "$types_meta" = "$types_entry" ] ||
    fail "media types differ: metainfo {$(echo $types_meta)}, desktop entry {$(echo $types_entry)}"
  grep -q '<screenshot type="default">' "$metainfo" || fail "no default screenshot"
  grep -q '<content_rating type="oars-1.1"' "$metainfo" || fail "no content rating"
  echo "metainfo $id: valid, launches $(element launchable), opens" $types_meta
  ;;

deb)
  build=$3
  program=$4
  have "${CPACK:-cpack}" || skip "cpack is not on the PATH"
  have dpkg-deb || skip "dpkg-deb is not installed"
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  deb=$(build_deb "$build" "$tmp")
  version=$("$program" --version | sed -n 's/^ravelon //p')
  [ -n "$version" ] || fail "'ravelon --version' names no version"
  [ "$(basename "$deb")" = "ravelon_${version}_amd64.deb" ] ||
    fail "the package is $(basename "$deb"), not ravelon_${version}_amd64.deb"
  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Version)" = "$version" ] || fail "Version '$(field Version)' is not '$version'"
  case $(field Section) in science | math) ;; *) fail "Section '$(field Section)'" ;; esac
  [[ "$(field Maintainer)" =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] ||
    fail "Maintainer '$(field Maintainer)' is not 'Name <address>'"
  [ -z "$(field Homepage)" ] || fail "a Homepage field: '$(field Homepage)'"
  [ "$(field Description | wc -l)" -gt 2 ] || fail "no long description"
  # Computed from the linked libraries: the C and C++ runtimes and Qt's widgets at least.
  depends=$(field Depends)
  for lib in libc6 libstdc++6 libqt6widgets6; do
    tr ',|' '\n\n' <<<"$depends" | awk '{print $1}' | grep -qxF "$lib" ||
      fail "Depends lacks $lib: '$depends'"
  done
  contents=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's:^\./:/:')
  for f in /usr/bin/ravelon /usr/share/applications/ravelon.desktop \
    /usr/share/icons/hicolor/scalable/apps/ravelon.svg /usr/share/icons/hicolor/64x64/apps/ravelon.png \
    /usr/share/man/man1/ravelon.1.gz /usr/share/metainfo/io.github.ravelon.ravelon.metainfo.xml \
    /usr/share/doc/ravelon/copyright /usr/share/doc/ravelon/changelog.gz; do
    grep -qx "$f" <<<"$contents" || fail "the package lacks $f"
  done
  ! grep -v '^/usr/' <<<"$contents" | grep -q . || fail "files outside /usr: $(grep -v '^/usr/' <<<"$contents")"
  echo "$(basename "$deb"): Section $(field Section), Depends: $depends"
  if have lintian; then
    # Errors and warnings fail; the infos accepted are listed in the README.
    out=$(lintian --display-info --fail-on error,warning "$deb" 2>&1) || fail "lintian:"$'\n'"$out"
    printf '%s\n' "$out" | grep -v 'running with root privileges' || true
    echo "lintian: no errors, no warnings"
  else
    echo "lintian is not installed (Debian: lintian); its check is skipped"
  fi
  ;;

install)
  build=$3
  program=$4
  [ "$(id -u)" -eq 0 ] || skip "not root: the package's install and removal are checked on CI as root"
  for tool in apt-get dpkg "${CPACK:-cpack}"; do have $tool || skip "$tool is missing"; done
  if dpkg-query -W -f='${db:Status-Abbrev}' ravelon 2>/dev/null | grep -q '^[ih]'; then
    skip "a ravelon package is installed already; it is left alone"
  fi
  tmp=$(mktemp -d)
  chmod 755 "$tmp" # apt reads the local package as its unprivileged user
  installed() { dpkg-query -W -f='${db:Status-Abbrev} ${binary:Package}\n' | awk '$1 ~ /^i/ {print $2}' | sort; }
  before=$(installed)
  apt=(apt-get -y -qq -o DPkg::Lock::Timeout=300 --no-install-recommends)
  # Whatever happens, ravelon and what its install pulled in go again.
  restore() {
    local status=$?
    if dpkg-query -W -f='${db:Status-Abbrev}' ravelon 2>/dev/null | grep -q '^[a-z][^n]'; then
      DEBIAN_FRONTEND=noninteractive "${apt[@]}" purge ravelon >/dev/null 2>&1 || true
    fi
    local added
    added=$(comm -13 <(echo "$before") <(installed))
    if [ -n "$added" ]; then
      DEBIAN_FRONTEND=noninteractive "${apt[@]}" purge $added >/dev/null 2>&1 || true
    fi
    rm -rf "$tmp"
    exit $status
  }
  trap restore EXIT
  deb=$(build_deb "$build" "$tmp")
  version=$("$program" --version)
  DEBIAN_FRONTEND=noninteractive "${apt[@]}" install "$deb" >"$tmp/apt.log" 2>&1 ||
    { cat "$tmp/apt.log" >&2; fail "apt-get install $(basename "$deb")"; }
  [ "$(command -v ravelon)" = /usr/bin/ravelon ] || fail "ravelon is not /usr/bin/ravelon after the install"
  [ "$(cd / && ravelon --version)" = "$version" ] || fail "the installed 'ravelon --version' is not '$version'"
  printf 'x,y\n1,3\n2,5\n3,7\n' >"$tmp/line.csv"
  fit=$(cd "$tmp" && ravelon --fit lin line.csv) || fail "the installed 'ravelon --fit lin' failed"
  expected=$(printf 'y = k*x + d\nk = 2.000000    d = 1.000\nAnpassungsgrad: 1.0000')
  [ "$fit" = "$expected" ] || fail "the installed 'ravelon --fit lin' printed:"$'\n'"$fit"
  if have man; then
    [ "$(man -w ravelon)" = /usr/share/man/man1/ravelon.1.gz ] || fail "'man -w ravelon' finds no page"
  fi
  files=$(dpkg-query -L ravelon | while read -r f; do [ -d "$f" ] || echo "$f"; done)
  DEBIAN_FRONTEND=noninteractive "${apt[@]}" remove ravelon >"$tmp/apt.log" 2>&1 ||
    { cat "$tmp/apt.log" >&2; fail "apt-get remove ravelon"; }
  status=$(dpkg-query -W -f='${db:Status-Abbrev}' ravelon 2>/dev/null || true)
  [[ -z "$status" || "$status" == un* ]] || fail "dpkg still knows ravelon after the removal: '$status'"
  for f in $files; do
    [ ! -e "$f" ] || fail "$f is left after the removal"
  done
  echo "installed $(basename "$deb") with apt-get, ran '$version' and --fit lin, removed it:" \
    "$(wc -w <<<"$files") files gone"
  ;;

*) fail "unknown mode '$mode'" ;;
esac
