#!/usr/bin/env bash
# The Win32 side under Wine: the registry cases against Wine's registry, then
# every scenario against the real kestrane.exe, each in a private prefix and
# a private mount namespace for the battery. Prints "N passed, M failed".
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build/x86_64}
work=$here/build/wine
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
passed=0
failed=0

# An X display of our own, so that the tests never touch the user's.
if [ -z "${KST_KEEP_DISPLAY:-}" ]; then
  display=:$((90 + RANDOM % 400))
  Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null; wineserver -k 2>/dev/null' EXIT
  export DISPLAY=$display
  sleep 1
fi

template=$work/template-prefix
if [ ! -f "$template/.kst-ready" ]; then
  rm -rf "$template"
  mkdir -p "$work"
  WINEPREFIX=$template wineboot -i >/dev/null 2>&1
  # Without a window manager Wine draws the window frames itself.
  WINEPREFIX=$template wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
  WINEPREFIX=$template wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  WINEPREFIX=$template wineserver -w
  touch "$template/.kst-ready"
fi

fresh_prefix() {
  local prefix=$work/prefix-$1
  rm -rf "$prefix"
  cp -a "$template" "$prefix"
  echo "$prefix"
}

report() {
  if [ "$2" -eq 0 ]; then
    passed=$((passed + 1))
    echo "[wine] PASS $1"
  else
    failed=$((failed + 1))
    echo "[wine] FAIL $1"
  fi
}

prefix=$(fresh_prefix registry)
WINEPREFIX=$prefix wine "$build/kst_wine_tests.exe" --gtest_color=no 2>&1 | tr -d "\r" > "$work/registry.log"
status=${PIPESTATUS[0]}
grep -E '^\[( +OK|  FAILED|  SKIPPED) \] .* \([0-9]+ ms\)$' "$work/registry.log" | sed 's/^/[wine] /'
ok=$(grep -cE '^\[ +OK \] .* \([0-9]+ ms\)$' "$work/registry.log")
bad=$(grep -cE '^\[  FAILED  \] .* \([0-9]+ ms\)$' "$work/registry.log")
passed=$((passed + ok))
failed=$((failed + bad))
if [ $status -ne 0 ] && [ "$bad" -eq 0 ]; then report "registry tests (exit $status)" 1; fi
WINEPREFIX=$prefix wineserver -k 2>/dev/null
rm -rf "$prefix"

cp "$build/kestrane.exe" "$build/kdriver.exe" "$work/" 2>/dev/null
# Screenshots that scenarios take; docs/screenshots holds the committed ones.
shots=$work/screenshots
mkdir -p "$shots"
# KST_SCENARIOS may name a few scenario files to run alone.
if [ -n "${KST_SCENARIOS:-}" ]; then
  read -r -a scenarios <<< "$KST_SCENARIOS"
else
  scenarios=("$here"/tests/e2e/*.scn)
fi
for scenario in "${scenarios[@]}"; do
  name=$(basename "$scenario" .scn)
  prefix=$(fresh_prefix "$name")
  # Wine's Z: drive is the root folder. No Wine process may start outside
  # the namespace: a wineserver started there would run the scenario's
  # processes outside it, on the real power supply.
  stores="Z:${here//\//\\}\\tests\\e2e\\stores"
  log=$work/$name.log
  sed "s#\$STORES#${stores//\\/\\\\}#g" "$scenario" |
    WINEPREFIX=$prefix unshare -m bash -c \
      'mount -t tmpfs none /sys/class/power_supply && exec wine "$0/kdriver.exe"' "$work" > "$log" 2>&1
  status=${PIPESTATUS[1]}
  if [ $status -ne 0 ]; then
    sed 's/^/    /' "$log"
    convert "$work/failure.bmp" "$work/$name-failure.png" 2>/dev/null && echo "    screenshot: $work/$name-failure.png"
  fi
  rm -f "$work/failure.bmp"
  for shot in "$work"/*.bmp; do
    [ -f "$shot" ] || continue
    convert "$shot" "$shots/$(basename "$shot" .bmp).png" && rm -f "$shot"
  done
  report "scenario $name" $status
  WINEPREFIX=$prefix wineserver -k 2>/dev/null
  rm -rf "$prefix"
done

echo "wine: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
