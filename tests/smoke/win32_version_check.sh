#!/usr/bin/env bash
# The Windows build's .exe files carry their version information: product
# name, a description and the version that the editor's --version prints
# (and the project's), read back from each file's resources.
# Usage: win32_version_check.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
src=$(cd "$(dirname "$0")/../.." && pwd)
windres=${WINDRES:-x86_64-w64-mingw32-windres}
wine=${WINE:-/usr/lib/wine/wine64}
export WINEDEBUG=-all WINEPREFIX="$build/wineprefix"

project=$(sed -nE 's/^project\(.* VERSION ([0-9.]+).*/\1/p' "$src/CMakeLists.txt")
printed=$("$wine" "$build/tavu-editor.exe" --version | tr -d '\r')
if [ "$printed" != "TAVU Picture Editor v$project" ]; then
  echo "tavu-editor.exe --version says \"$printed\", the project is $project" >&2
  exit 1
fi

value() { sed -nE 's/^ *VALUE "'"$1"'", "(.*)"$/\1/p' <<<"$2"; }
ok=true
for exe in tavu-editor.exe tavu-editor-test.exe tools/tavu-demo-data.exe; do
  [ -f "$build/$exe" ] || continue
  rc=$("$windres" -J coff -O rc -i "$build/$exe" 2>/dev/null) || rc=""
  for check in "ProductName=TAVU Picture Editor" "ProductVersion=$project" "FileVersion=$project" \
    "OriginalFilename=$(basename "$exe")"; do
    got=$(value "${check%%=*}" "$rc")
    if [ "$got" != "${check#*=}" ]; then
      echo "$exe: ${check%%=*} is \"$got\", not \"${check#*=}\"" >&2
      ok=false
    fi
  done
  [ -n "$(value FileDescription "$rc")" ] || { echo "$exe: no FileDescription" >&2; ok=false; }
  major=${project%%.*} minor=${project#*.}
  grep -Eq "^ *PRODUCTVERSION $major, ${minor%%.*}," <<<"$rc" ||
    { echo "$exe: PRODUCTVERSION is not $project" >&2; ok=false; }
done
grep -q 'RT_GROUP_ICON' <<<"$("$windres" -J coff -O rc -i "$build/tavu-editor.exe")" ||
  { echo "tavu-editor.exe: no icon" >&2; ok=false; }
$ok
echo "version resources: $project"
