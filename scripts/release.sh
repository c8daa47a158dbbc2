#!/usr/bin/env bash
# Builds both architectures in release mode and writes the downloads:
# build/release/kestrane-VERSION-windows-ARCH.zip with kestrane.exe and
# kestrane-cli.exe (stripped), README.txt and LICENSE.txt, and SHA256SUMS.
# The version is the CMake project's.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" >/dev/null
version=$(sed -nE 's/^project\(kestrane VERSION ([0-9.]+).*/\1/p' "$here/CMakeLists.txt")
[ -n "$version" ] || { echo "release: no version in CMakeLists.txt" >&2; exit 1; }
out=$here/build/release
rm -rf "$out" && mkdir -p "$out"
for arch in x86_64 i686; do
  "$here/scripts/build.sh" $arch >/dev/null
  stage=$out/stage-$arch
  mkdir -p "$stage"
  for program in kestrane kestrane-cli; do
    "$arch-w64-mingw32-strip" -o "$stage/$program.exe" "$here/build/$arch/$program.exe"
  done
  sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" "$here/resources/release-readme.txt" |
    sed 's/$/\r/' > "$stage/README.txt"
  sed 's/$/\r/' "$here/LICENSE" > "$stage/LICENSE.txt"
  # The same bytes for the same sources: fixed times, fixed order.
  touch -d "@0" "$stage"/*
  (cd "$stage" && zip -q -X "$out/kestrane-$version-windows-$arch.zip" kestrane.exe kestrane-cli.exe README.txt LICENSE.txt)
  rm -rf "$stage"
done
(cd "$out" && sha256sum kestrane-"$version"-windows-*.zip > SHA256SUMS)
echo "release: $(ls "$out" | tr '\n' ' ')in build/release"
