#!/usr/bin/env bash
# Builds the image libraries of the Windows build (libspng for PNG, giflib for
# GIF) as static mingw-w64 libraries with pkg-config files, from Debian's
# source packages, against the mingw zlib (libz-mingw-w64-dev):
#   cmake/build-mingw-deps.sh PREFIX
# Nothing happens when PREFIX already holds what this script makes. Fetching
# the sources needs a deb-src entry; one is added for the machine's Debian
# archive when apt has none (as root, e.g. in CI).
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 PREFIX" >&2
  exit 2
fi
mkdir -p "$1"
prefix=$(cd "$1" && pwd)
cc=${MINGW_CC:-x86_64-w64-mingw32-gcc}
ar=${MINGW_AR:-x86_64-w64-mingw32-ar}
stamp="$prefix/.complete"
# The stamp holds this script's checksum, so a changed script builds again.
want=$(sha256sum "$0" | cut -d' ' -f1)
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
  exit 0
fi

log="$prefix/build.log"
: >"$log"
fail() {
  echo "build-mingw-deps: $*" >&2
  tail -n 30 "$log" >&2
  exit 1
}

# A deb-src entry for each Debian archive apt has a deb entry for, in a file
# of our own (written the same way every time).
have_deb_src() {
  grep -Eqs '^[[:space:]]*(deb-src[[:space:]]|Types:.*deb-src)' \
    /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources
}
add_deb_src() {
  local out=/etc/apt/sources.list.d/tavu-deb-src.sources
  local entries
  # deb822 stanzas with Types: deb whose URI is a Debian archive.
  entries=$(awk '
    function flush() {
      if (types ~ /(^|[[:space:]])deb([[:space:]]|$)/ && uris ~ /\/debian(-security)?\/?([[:space:]]|$)/) {
        print "Types: deb-src"; print "URIs: " uris; print "Suites: " suites
        print "Components: " comps; if (signed != "") print "Signed-By: " signed; print ""
      }
      types = uris = suites = comps = signed = ""
    }
    FNR == 1 { flush() }
    /^[[:space:]]*$/ { flush(); next }
    /^Types:/ { sub(/^Types:[[:space:]]*/, ""); types = $0 }
    /^URIs:/ { sub(/^URIs:[[:space:]]*/, ""); uris = $0 }
    /^Suites:/ { sub(/^Suites:[[:space:]]*/, ""); suites = $0 }
    /^Components:/ { sub(/^Components:[[:space:]]*/, ""); comps = $0 }
    /^Signed-By:/ { sub(/^Signed-By:[[:space:]]*/, ""); signed = $0 }
    END { flush() }' /dev/null $(ls /etc/apt/sources.list.d/*.sources 2>/dev/null))
  # One-line entries: "deb [options] URI suite components".
  entries+=$(sed -nE 's%^[[:space:]]*deb([[:space:]]+\[[^]]*\])?[[:space:]]+([^[:space:]]+/debian(-security)?/?)[[:space:]]+(.*)$%\nTypes: deb-src\nURIs: \2\nSuites: \4\n%p' \
    /dev/null $(ls /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null) |
    awk '/^Suites:/ { n = split(substr($0, 9), w, " "); print "Suites: " w[1];
      c = ""; for (i = 2; i <= n; i++) c = c " " w[i]; print "Components:" c; print ""; next } { print }')
  [ -n "$entries" ] || fail "no Debian archive in apt's sources to add a deb-src entry for"
  printf '%s\n' "$entries" 2>/dev/null >"$out" || fail "adding a deb-src entry to apt's sources needs root"
  apt-get update -qq >>"$log" 2>&1 || fail "apt-get update failed"
}

src="$prefix/src"
rm -rf "$src"
mkdir -p "$src"
if ! have_deb_src; then
  add_deb_src
fi
(cd "$src" && apt-get source -qq libspng giflib >>"$log" 2>&1) || {
  # The entry may be there without the lists it brings.
  apt-get update -qq >>"$log" 2>&1 || true
  (cd "$src" && apt-get source -qq libspng giflib >>"$log" 2>&1) || fail "apt-get source libspng giflib failed"
}
spng_dir=$(ls -d "$src"/libspng-*/ | head -n 1)
gif_dir=$(ls -d "$src"/giflib-*/ | head -n 1)
[ -f "$spng_dir/spng/spng.c" ] || fail "spng.c not found in $spng_dir"
[ -f "$gif_dir/gif_lib.h" ] || fail "gif_lib.h not found in $gif_dir"

rm -rf "$prefix/lib" "$prefix/include"
mkdir -p "$prefix/lib/pkgconfig" "$prefix/include" "$src/obj"
cflags=(-O2 -DNDEBUG -w)

# libspng: one C file over zlib.
"$cc" "${cflags[@]}" -DSPNG_STATIC -c "$spng_dir/spng/spng.c" -o "$src/obj/spng.o" >>"$log" 2>&1 ||
  fail "compiling spng.c failed"
"$ar" rcs "$prefix/lib/libspng.a" "$src/obj/spng.o"
cp "$spng_dir/spng/spng.h" "$prefix/include/"
spng_version=$(sed -nE 's/^[[:space:]]*version[[:space:]]*:[[:space:]]*'"'"'([0-9.]+)'"'"'.*/\1/p' "$spng_dir/meson.build" | head -n 1)

# giflib: the library's C files (its Makefile's SOURCES).
objs=()
for c in dgif_lib.c egif_lib.c gifalloc.c gif_err.c gif_font.c gif_hash.c openbsd-reallocarray.c quantize.c; do
  o="$src/obj/gif-${c%.c}.o"
  "$cc" "${cflags[@]}" -I"$gif_dir" -c "$gif_dir/$c" -o "$o" >>"$log" 2>&1 || fail "compiling $c failed"
  objs+=("$o")
done
"$ar" rcs "$prefix/lib/libgif.a" "${objs[@]}"
cp "$gif_dir/gif_lib.h" "$prefix/include/"

# Static only: what a static link needs goes straight into Libs, so no
# --static is needed. zlib is the mingw sysroot's static one, copied here so
# that a search of PREFIX/lib never picks its import library (libz.dll.a).
# giflib has no .pc file; CMake's FindGIF finds it under PREFIX.
zlib=$("$cc" -print-file-name=libz.a)
[ -f "$zlib" ] || fail "no static zlib for mingw-w64 (libz-mingw-w64-dev)"
cp "$zlib" "$prefix/lib/libz.a"
cat >"$prefix/lib/pkgconfig/spng.pc" <<EOF
prefix=\${pcfiledir}/../..
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: spng
Description: PNG decoding and encoding library (static, mingw-w64)
Version: ${spng_version:-0}
Libs: -L\${libdir} -lspng -lz
Cflags: -I\${includedir} -DSPNG_STATIC
EOF
rm -rf "$src"
echo "$want" >"$stamp"
