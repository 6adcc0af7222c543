#!/bin/sh
# Installs the build into a fresh prefix and checks the result as a user
# would meet it: the program folder with every file the program reads beside
# the executable, bin/velmora that starts it (from any working folder), the
# desktop entry, the icon and the project file type.
#   check_install.sh CMAKE BUILD_DIR PREFIX PROGRAM_SUBDIR PLAYER_BUILT(0|1)
set -u
cmake=$1 build=$2 prefix=$3 sub=$4 player=$5
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

rm -rf "$prefix"
if ! "$cmake" --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
  cat "$prefix.log" >&2
  echo "FAIL: cmake --install failed" >&2
  exit 1
fi
prog="$prefix/$sub"

# The program folder.
[ -x "$prog/velmora" ] || fail "$prog/velmora is missing or not executable"
[ -s "$prog/gmi.src" ] || fail "$prog/gmi.src is missing"
[ -n "$(ls -A "$prog/Mask" 2>/dev/null)" ] || fail "$prog/Mask/ is missing or empty"
[ -f "$prog/demo/demo song.mp3" ] || fail "$prog/demo/ lacks the demo song"
ls "$prog/demo/"*.jpg >/dev/null 2>&1 || fail "$prog/demo/ lacks the demo photos"
if [ "$player" = 1 ]; then
  [ -s "$prog/Mirb.bfq" ] || fail "$prog/Mirb.bfq is missing"
  [ -s "$prog/d3dx9_42.dll" ] || fail "$prog/d3dx9_42.dll is missing"
fi
# Nothing of the build's own: no tests, no build tools, no working folders.
for n in tests bench fuzz CMakeFiles Temp Project Output Mirb.ini velmora-packwriter velmora-stubtool; do
  [ -e "$prog/$n" ] && fail "$prog/$n does not belong in an install"
done

# bin/velmora starts the installed program, from another working folder.
[ -x "$prefix/bin/velmora" ] || fail "$prefix/bin/velmora is missing"
work="$prefix.work"
rm -rf "$work"
mkdir -p "$work"
want=$("$build/velmora" --version 2>&1)
got=$(cd "$work" && "$prefix/bin/velmora" --version 2>&1) || fail "bin/velmora --version failed: $got"
[ -n "$got" ] && [ "$got" = "$want" ] || fail "bin/velmora --version printed '$got', the build's program '$want'"

# The installed program reads its resource pack and, with the Windows player,
# builds a package from its own program folder (started through bin/).
if ! (cd "$work" && "$prefix/bin/velmora" pack list "$prog/gmi.src") >"$work/pack.txt" 2>&1; then
  cat "$work/pack.txt" >&2
  fail "bin/velmora pack list of the installed gmi.src failed"
fi
if [ "$player" = 1 ]; then
  # A package needs at least two photos.
  photo1=$(ls "$prog/demo/"*.jpg | sed -n 1p)
  photo2=$(ls "$prog/demo/"*.jpg | sed -n 2p)
  if ! (cd "$work" && HOME="$work" XDG_DATA_HOME="$work/data" \
        "$prefix/bin/velmora" project new "$work/show.aps" --photos "$photo1" "$photo2" &&
        HOME="$work" XDG_DATA_HOME="$work/data" \
        "$prefix/bin/velmora" build "$work/show.aps" -o "$work/show.exe") >"$work/build.txt" 2>&1; then
    cat "$work/build.txt" >&2
    fail "the installed program could not build a package"
  elif [ "$(head -c 2 "$work/show.exe")" != "MZ" ]; then
    fail "the package the installed program built is not a Windows program"
  fi
fi

# The desktop entry.
desktop="$prefix/share/applications/velmora.desktop"
if [ ! -f "$desktop" ]; then
  fail "$desktop is missing"
else
  grep -qx 'Exec=velmora %f' "$desktop" || fail "the desktop entry does not run 'velmora %f'"
  grep -qx 'Icon=velmora' "$desktop" || fail "the desktop entry does not name the icon velmora"
  grep -q '^MimeType=.*application/x-velmora-project;' "$desktop" ||
    fail "the desktop entry does not open application/x-velmora-project"
  if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
  else
    echo "note: desktop-file-validate not installed (desktop-file-utils); entry not validated"
  fi
fi

# The icon: a PNG of the size its folder names.
icon="$prefix/share/icons/hicolor/48x48/apps/velmora.png"
if [ ! -f "$icon" ]; then
  fail "$icon is missing"
else
  # PNG signature, then the IHDR width and height (big-endian) at bytes 16..23.
  sig=$(od -An -tx1 -N8 "$icon" | tr -d ' \n')
  size=$(od -An -tu1 -j16 -N8 "$icon" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$sig" = 89504e470d0a1a0a ] || fail "$icon is not a PNG"
  [ "$size" = 48x48 ] || fail "$icon is $size, not 48x48"
fi

# The project file type: *.aps is application/x-velmora-project once the
# shared MIME database is built from the installed package file.
mimexml="$prefix/share/mime/packages/velmora.xml"
if [ ! -f "$mimexml" ]; then
  fail "$mimexml is missing"
elif command -v update-mime-database >/dev/null 2>&1; then
  mimedb="$prefix.mime"
  rm -rf "$mimedb"
  mkdir -p "$mimedb/packages"
  cp "$mimexml" "$mimedb/packages/"
  if ! update-mime-database "$mimedb" >"$mimedb.log" 2>&1 || grep -qi 'error\|warning' "$mimedb.log"; then
    cat "$mimedb.log" >&2
    fail "update-mime-database rejects $mimexml"
  fi
  grep -q '^[0-9]*:application/x-velmora-project:\*\.aps' "$mimedb/globs2" 2>/dev/null ||
    fail "the MIME database does not map *.aps to application/x-velmora-project"
else
  grep -q 'pattern="\*\.aps"' "$mimexml" || fail "$mimexml has no *.aps glob"
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "install layout OK: $prefix"
