#!/usr/bin/env bash
# Installs the build into PREFIX (emptied first) and checks what lands there:
# exactly the expected files, icons of the size their directory names, and
# one application id throughout.
# Usage: check_install.sh BUILD_DIR PREFIX APP_ID VERSION WITH_TAVU WITH_MAN
set -euo pipefail
build=$1 prefix=$2 id=$3 version=$4 with_tavu=$5 with_man=$6

rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

expected=(
  bin/tavu-editor
  share/applications/$id.desktop
  share/metainfo/$id.metainfo.xml
  share/doc/tavu-editor/README.md
)
for size in 16 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done
[[ $with_tavu == 1 ]] && expected+=(bin/tavu)
[[ $with_man == 1 ]] && expected+=(share/man/man1/tavu-editor.1)
[[ $with_tavu == 1 && $with_man == 1 ]] && expected+=(share/man/man1/tavu.1)

fail=0
actual=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
if [[ $actual != "$wanted" ]]; then
  echo "installed files differ from the expected ones (< expected, > installed):"
  diff <(echo "$wanted") <(echo "$actual") || true
  fail=1
fi

for f in bin/tavu-editor ${with_tavu/1/bin/tavu}; do
  [[ $f == 0 ]] && continue
  [[ -x $prefix/$f ]] || { echo "$f is not executable"; fail=1; }
done

# PNG: width and height are the big-endian words at bytes 16 and 20.
for size in 16 32 48 64 128 256; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
  [[ -f $png ]] || continue
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
    awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [[ $w == "$size" && $h == "$size" ]] || { echo "$png is ${w}x$h"; fail=1; }
done

desktop=$prefix/share/applications/$id.desktop
grep -qx "Icon=$id" "$desktop" || { echo "the desktop entry's icon is not $id"; fail=1; }
grep -qx "StartupWMClass=$id" "$desktop" || { echo "the desktop entry's window class is not $id"; fail=1; }
grep -q "^Exec=tavu-editor " "$desktop" || { echo "the desktop entry does not start tavu-editor"; fail=1; }
metainfo=$prefix/share/metainfo/$id.metainfo.xml
grep -q "<id>$id</id>" "$metainfo" || { echo "the AppStream id is not $id"; fail=1; }
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  { echo "the AppStream file does not launch $id.desktop"; fail=1; }
grep -q "<release version=\"$version\"" "$metainfo" || { echo "no release $version"; fail=1; }

# The installed program runs and knows its version.
"$prefix/bin/tavu-editor" --version | grep -q "v$version" || { echo "--version is not v$version"; fail=1; }
exit $fail
