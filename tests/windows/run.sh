#!/usr/bin/env bash
# The scenarios on real Windows, in the forge's workflow (MSYS2's bash):
# every scenario but those that need what only Wine gives here, each marked
# by a line "# wine only: WHY", driven by the scenario driver on the
# runner's desktop against the runner's own registry. The power manager's
# keys are the job's own: the scenarios seed them, and they are removed
# before every scenario and at the end. Prints "windows: N passed, M
# failed, K left out" and fails when any scenario failed.
#   tests/windows/run.sh BUILD_FOLDER DRIVER
# The driver is the 64-bit one for either build, as under Wine.
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$1
work=$here/build/windows-scenarios
rm -rf "$work" && mkdir -p "$work"
cp "$build/kestrane.exe" "$build/kestrane-cli.exe" "$2" "$work/"
stores=$(cygpath -w "$here/tests/e2e/stores")
passed=0
failed=0
left_out=0

driver() { (cd "$work" && ./kdriver.exe); }

# A scenario may leave a key read-only: it is given back its rights first.
remove_store() {
  local key
  for key in 'HKLM\SOFTWARE\Wow6432Node\Lenovo' 'HKLM\SOFTWARE\Lenovo' 'HKCU\Software\Lenovo'; do
    MSYS2_ARG_CONV_EXCL='*' reg query "$key" >/dev/null 2>&1 || continue
    printf 'writable %s\n' "$key" | driver >/dev/null 2>&1
    MSYS2_ARG_CONV_EXCL='*' reg delete "$key" /f >/dev/null 2>&1 || echo "    could not remove $key"
  done
}

for scenario in "$here"/tests/e2e/*.scn; do
  name=$(basename "$scenario" .scn)
  why=$(sed -nE 's/^# wine only: *(.*)/\1/p' "$scenario")
  if [ -n "$why" ]; then
    left_out=$((left_out + 1))
    echo "[windows] LEFT OUT $name: $why"
    continue
  fi
  remove_store
  sed "s#\$STORES#${stores//\\/\\\\}#g" "$scenario" | driver > "$work/$name.log" 2>&1
  if [ "${PIPESTATUS[1]}" -eq 0 ]; then
    passed=$((passed + 1))
    echo "[windows] PASS scenario $name"
  else
    failed=$((failed + 1))
    echo "[windows] FAIL scenario $name"
    sed 's/^/    /' "$work/$name.log"
    [ -f "$work/failure.bmp" ] && mv "$work/failure.bmp" "$work/$name-failure.bmp"
  fi
done
remove_store

echo "windows: $passed passed, $failed failed, $left_out left out"
[ "$failed" -eq 0 ]
