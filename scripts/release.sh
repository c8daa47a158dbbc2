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
# time; KST_RELEASE_ARCHS the order of the builds; KST_RELEASE_DIR another
# folder for the downloads.
#
# With KST_SIGN_PFX (a PKCS#12 file holding the code-signing certificate,
# its key and its chain) and KST_SIGN_PASSWORD, both programs are signed
# with Authenticode (SHA-256), the commit's time as the signing time, so
# that the same key signs the same commit to the same bytes; each signature
# is then checked. KST_SIGN_TIMESTAMP_URL adds a countersignature from that
# time-stamping authority, which keeps the signature valid after the
# certificate expires but is new at every signing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export LC_ALL=C TZ=UTC
"$here/scripts/setup.sh" >/dev/null
version=$(sed -nE 's/^project\(kestrane VERSION ([0-9.]+).*/\1/p' "$here/CMakeLists.txt")
[ -n "$version" ] || { echo "release: no version in CMakeLists.txt" >&2; exit 1; }
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$here" log -1 --format=%ct)}
out=${KST_RELEASE_DIR:-$here/build/release}
rm -rf "$out" && mkdir -p "$out"

signing=
if [ -n "${KST_SIGN_PFX:-}" ]; then
  [ -n "${KST_SIGN_PASSWORD:-}" ] || { echo "release: KST_SIGN_PFX needs KST_SIGN_PASSWORD" >&2; exit 1; }
  signing=$out/signing
  mkdir -p "$signing"
  # The certificates in the file, and the machine's roots, are what a
  # signature is checked against here.
  # Older files are encrypted with ciphers OpenSSL 3 keeps in its legacy provider.
  openssl pkcs12 -in "$KST_SIGN_PFX" -passin env:KST_SIGN_PASSWORD -nokeys -out "$signing/chain.pem" 2>/dev/null ||
    openssl pkcs12 -legacy -in "$KST_SIGN_PFX" -passin env:KST_SIGN_PASSWORD -nokeys -out "$signing/chain.pem"
  cat /etc/ssl/certs/ca-certificates.crt "$signing/chain.pem" > "$signing/trusted.pem"
fi

sign() {
  local program=$1 timestamp=()
  [ -n "${KST_SIGN_TIMESTAMP_URL:-}" ] && timestamp=(-ts "$KST_SIGN_TIMESTAMP_URL")
  # The password goes through a pipe, not the command line others can read.
  osslsigncode sign -pkcs12 "$KST_SIGN_PFX" -readpass <(printf '%s' "$KST_SIGN_PASSWORD") -h sha256 -n Kestrane \
    -time "$SOURCE_DATE_EPOCH" "${timestamp[@]}" -in "$program" -out "$program.signed" >/dev/null
  mv "$program.signed" "$program"
  osslsigncode verify -CAfile "$signing/trusted.pem" -in "$program" > "$program.verify" 2>&1 ||
    { cat "$program.verify" >&2; echo "release: the signature of $program does not verify" >&2; return 1; }
  rm -f "$program.verify"
}
for arch in ${KST_RELEASE_ARCHS:-x86_64 i686}; do
  "$here/scripts/build.sh" "$arch" kestrane kestrane-cli >/dev/null
  stage=$out/stage-$arch
  mkdir -p "$stage"
  for program in kestrane kestrane-cli; do
    "$arch-w64-mingw32-strip" -o "$stage/$program.exe" "$here/build/$arch/$program.exe"
    [ -z "$signing" ] || sign "$stage/$program.exe"
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
[ -z "$signing" ] || rm -rf "$signing"
echo "release: $(ls "$out" | tr '\n' ' ')in $out$([ -n "$signing" ] && echo ", signed")"
