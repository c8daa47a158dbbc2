#!/usr/bin/env bash
# Every test: the native suite (headless toolkit, simulated system, sanitizers)
# through CTest, a short run of each fuzzer, then both Windows builds, their
# imports, and the Win32 side under Wine. Ends with "N passed, M failed",
# and ", K skipped" where a part could not run here (the i686 build's Wine
# tests on a machine without 32-bit programs); fails when any test failed.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" || exit 1
passed=0
failed=0
skipped=0

count_ctest() {
  local log=$1 total bad
  total=$(sed -nE 's/.*tests passed, ([0-9]+) tests failed out of ([0-9]+)/\2/p' "$log" | tail -n 1)
  bad=$(sed -nE 's/.*tests passed, ([0-9]+) tests failed out of ([0-9]+)/\1/p' "$log" | tail -n 1)
  passed=$((passed + ${total:-0} - ${bad:-0}))
  failed=$((failed + ${bad:-1}))
}

# Adds the counts of a part's "NAME: N passed, M failed[, K skipped]" line;
# a part that printed none failed.
count_summary() {
  local line
  line=$(grep -E "^$1: [0-9]+ passed, [0-9]+ failed(, [0-9]+ skipped)?\$" "$2" | tail -n 1)
  if [ -n "$line" ]; then
    passed=$((passed + $(echo "$line" | awk '{print $2}')))
    failed=$((failed + $(echo "$line" | awk '{print $4}' | tr -d ,)))
    skipped=$((skipped + $(echo "$line" | awk '{print $6 + 0}')))
  else
    count_step "$1 run" 1
  fi
}

count_step() { if [ "$2" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $1"; fi; }

mkdir -p "$here/build"

# The house's habits: the C++ sources as .clang-format describes them
# (Debian's clang-format), and a changelog whose newest entry is the
# version the programs carry, from project() in CMakeLists.txt.
(cd "$here" && git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror)
count_step "C++ sources formatted as .clang-format says" $?
check_changelog() {
  local version newest
  version=$(sed -nE 's/^project\(kestrane VERSION ([0-9.]+).*/\1/p' "$here/CMakeLists.txt")
  newest=$(sed -nE 's/^## ([0-9.]+).*/\1/p' "$here/CHANGELOG.md" | head -n 1)
  [ -n "$version" ] && [ "$newest" = "$version" ] || { echo "CHANGELOG.md's newest entry is $newest, the programs' version $version"; return 1; }
}
check_changelog
count_step "CHANGELOG.md's newest entry is the programs' version" $?

if "$here/scripts/build.sh" native; then
  ctest --test-dir "$here/build/native" --output-on-failure -j"$(nproc)" 2>&1 | tee "$here/build/native-ctest.log"
  count_ctest "$here/build/native-ctest.log"
else
  count_step "native build" 1
fi

# A short run of every fuzzer; scripts/fuzz.sh SECONDS runs them longer.
"$here/scripts/fuzz.sh" "${KST_FUZZ_SECONDS:-60}" 2>&1 | tee "$here/build/fuzz.log"
count_summary fuzz "$here/build/fuzz.log"

# Both programs import Known DLLs only, and comctl32 from the side-by-side
# store; every other DLL they load from System32 by themselves. Every
# function they import that makes a font, a bitmap, a device context, an
# icon, a window or a menu is counted by the long run's hooks, or a leak
# of it would go unseen.
allowed='^(ADVAPI32|COMCTL32|GDI32|KERNEL32|msvcrt|SHELL32|USER32)\.dll$'
makes='^(Create[A-Za-z]*(Font|Bitmap|DIBSection|DIBitmap|Brush|Pen|DC|Icon|Cursor|Window|Menu|Rgn)[A-Za-z]*|GetDC|GetDCEx|GetWindowDC|BeginPaint|LoadImage[AW]|LoadIcon[AW]|LoadBitmap[AW]|LoadMenu[AW]|CopyIcon|CopyImage)$'
hooked=$(sed -nE 's/^ *KST_HOOK\(([A-Za-z]+),.*/\1/p' "$here/tests/win32/live_objects.cpp")
for arch in x86_64 i686; do
  if "$here/scripts/build.sh" $arch; then
    count_step "$arch build" 0
    for program in kestrane kestrane-cli; do
      imports=$($arch-w64-mingw32-objdump -p "$here/build/$arch/$program.exe")
      extra=$(echo "$imports" | sed -nE 's/^\s*DLL Name: (.*)$/\1/p' | grep -viE "$allowed")
      [ -z "$extra" ] || echo "$program.exe ($arch) imports: $extra"
      uncounted=$(echo "$imports" | awk 'NF == 3 && $1 ~ /^[0-9a-f]+$/ {print $3}' | grep -E "$makes" |
        grep -vxF "$hooked")
      [ -z "$uncounted" ] || echo "$program.exe ($arch) imports $(echo $uncounted), which tests/win32/live_objects.cpp does not count"
      count_step "$program.exe $arch imports" "$([ -z "$extra$uncounted" ] && echo 0 || echo 1)"
    done
  else
    count_step "$arch build" 1
  fi
done

# The release: both zips hold the two programs, the README and the licence,
# the programs carry the project's version, and the checksums match.
check_release() {
  "$here/scripts/release.sh" || return 1
  local version out=$here/build/release
  version=$(sed -nE 's/^project\(kestrane VERSION ([0-9.]+).*/\1/p' "$here/CMakeLists.txt")
  (cd "$out" && sha256sum --quiet -c SHA256SUMS) || return 1
  for arch in x86_64 i686; do
    local zip=$out/kestrane-$version-windows-$arch.zip
    [ "$(unzip -Z1 "$zip" | sort | tr '\n' ' ')" = "LICENSE.txt README.txt kestrane-cli.exe kestrane.exe " ] || return 1
    for program in kestrane kestrane-cli; do
      unzip -p "$zip" $program.exe | python3 -c "import sys; sys.exit(0 if '$version'.encode('utf-16-le') in sys.stdin.buffer.read() else 1)" ||
        return 1
    done
    unzip -p "$zip" README.txt | grep -q "Kestrane $version for Windows ($arch)" || return 1
  done
}
check_release
count_step "release zips" $?

# The release once more, from a copy of the sources in another folder, at
# another time, in another time zone, the architectures in the other
# order: the same bytes, so that anyone can check a download against a
# build of their own.
check_reproducible() {
  local copy=$here/build/reproduce/another/folder
  rm -rf "$here/build/reproduce" && mkdir -p "$copy/build/deps" || return 1
  (cd "$here" && git ls-files -z | xargs -0 tar -c) | tar -x -C "$copy" || return 1
  cp -a "$here"/build/deps/libjpeg-* "$copy/build/deps/" || return 1
  SOURCE_DATE_EPOCH=$(git -C "$here" log -1 --format=%ct) KST_RELEASE_ARCHS="i686 x86_64" TZ=Pacific/Chatham \
    "$copy/scripts/release.sh" >/dev/null || return 1
  cmp "$here/build/release/SHA256SUMS" "$copy/build/release/SHA256SUMS" ||
    { diff "$here/build/release/SHA256SUMS" "$copy/build/release/SHA256SUMS"; return 1; }
}
check_reproducible
count_step "release built again elsewhere is the same" $?

# The release signed with a throwaway self-signed certificate, twice: both
# programs' signatures verify, the same key signs the same commit to the
# same bytes, and (under Wine, below) the signed kestrane.exe still starts.
check_signed_release() {
  local keys=$here/build/signing signed=$here/build/release-signed arch program
  rm -rf "$keys" "$signed"-* && mkdir -p "$keys" || return 1
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$keys/key.pem" -out "$keys/certificate.pem" -days 7 \
    -subj "/CN=Kestrane throwaway test signature" -addext "extendedKeyUsage=codeSigning" >/dev/null 2>&1 &&
    openssl pkcs12 -export -inkey "$keys/key.pem" -in "$keys/certificate.pem" -out "$keys/signing.pfx" \
      -passout pass:throwaway || return 1
  for copy in 1 2; do
    KST_SIGN_PFX=$keys/signing.pfx KST_SIGN_PASSWORD=throwaway KST_RELEASE_DIR=$signed-$copy \
      "$here/scripts/release.sh" >/dev/null || return 1
  done
  cmp "$signed-1/SHA256SUMS" "$signed-2/SHA256SUMS" || return 1
  ! cmp -s "$signed-1/SHA256SUMS" "$here/build/release/SHA256SUMS" || { echo "the signed release is unsigned"; return 1; }
  for arch in x86_64 i686; do
    for program in kestrane kestrane-cli; do
      unzip -p "$signed-1/"kestrane-*-windows-$arch.zip $program.exe > "$keys/$program-$arch.exe" || return 1
      osslsigncode verify -CAfile "$keys/certificate.pem" -in "$keys/$program-$arch.exe" > "$keys/$program-$arch.verify" 2>&1 ||
        { cat "$keys/$program-$arch.verify"; return 1; }
    done
  done
  echo "signed release: $(grep -c '^Signature verification: ok' "$keys"/*.verify | grep -c ':1$') of 4 programs verify"
}
check_signed_release
count_step "signed release verifies and is reproducible" $?

# The workflow for Windows runners, checked against the forge's schema,
# and for what the schema lets through: labels, shells, needs, matrix keys
# and the actions' inputs, with copies broken in one place each.
"$here/build/tools/node_modules/.bin/action-validator" "$here/.github/workflows/windows.yml"
count_step "workflow for Windows runners is valid" $?
/usr/bin/python3 "$here/tests/workflow/lint_cases.py" 2>&1 | tee "$here/build/workflow.log"
count_summary workflow "$here/build/workflow.log"

if [ -f "$here/build/x86_64/kdriver.exe" ]; then
  KST_SIGNED_PROGRAM=$here/build/signing/kestrane-x86_64.exe "$here/tests/wine/run.sh" 2>&1 | tee "$here/build/wine.log"
  count_summary wine "$here/build/wine.log"
fi

if [ "$skipped" -eq 0 ]; then
  echo "$passed passed, $failed failed"
else
  echo "$passed passed, $failed failed, $skipped skipped"
fi
[ "$failed" -eq 0 ]
