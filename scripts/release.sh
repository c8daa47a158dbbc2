#!/usr/bin/env bash
# Builds both architectures in release mode and writes the downloads:
# build/release/kestrane-VERSION-windows-ARCH.zip with kestrane.exe and
# kestrane-cli.exe (stripped), README.txt and LICENSE.txt, and SHA256SUMS.
# The version is the CMake project's.
#
# The same commit gives the same bytes, whatever the folder, the clock or
# the order of the builds: the programs carry the commit's time in their
# PE header (the linker writes none, strip the one SOURCE_DATE_EPOCH gives
# it, where it would write the clock's), and the zip entries go in a fixed
# order, with the commit's time (in UTC), fixed permissions and no extra
# fields. Outside a git checkout, SOURCE_DATE_EPOCH gives the commit's
# time; KST_RELEASE_ARCHS the order of the builds.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export LC_ALL=C TZ=UTC
"$here/scripts/setup.sh" >/dev/null
version=$(sed -nE 's/^project\(kestrane VERSION ([0-9.]+).*/\1/p' "$here/CMakeLists.txt")
[ -n "$version" ] || { echo "release: no version in CMakeLists.txt" >&2; exit 1; }
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$here" log -1 --format=%ct)}
out=$here/build/release
rm -rf "$out" && mkdir -p "$out"
for arch in ${KST_RELEASE_ARCHS:-x86_64 i686}; do
  "$here/scripts/build.sh" "$arch" kestrane kestrane-cli >/dev/null
  stage=$out/stage-$arch
  mkdir -p "$stage"
  for program in kestrane kestrane-cli; do
    "$arch-w64-mingw32-strip" -o "$stage/$program.exe" "$here/build/$arch/$program.exe"
  done
  sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" "$here/resources/release-readme.txt" |
    sed 's/$/\r/' > "$stage/README.txt"
  sed 's/$/\r/' "$here/LICENSE" > "$stage/LICENSE.txt"
  chmod 644 "$stage"/*
  touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*
  (cd "$stage" && zip -q -X -D "$out/kestrane-$version-windows-$arch.zip" \
    kestrane.exe kestrane-cli.exe README.txt LICENSE.txt)
  rm -rf "$stage"
done
(cd "$out" && sha256sum "kestrane-$version-windows-x86_64.zip" "kestrane-$version-windows-i686.zip" > SHA256SUMS)
echo "release: $(ls "$out" | tr '\n' ' ')in build/release"
