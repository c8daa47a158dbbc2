#!/usr/bin/env bash
# The scenarios on real Windows, in the forge's workflow (MSYS2's bash):
# every scenario but those that need what only Wine gives here, each marked
# by a line "# wine only: WHY", driven by the scenario driver on the
# runner's desktop against the runner's own registry. The power manager's
# keys are the job's own: the scenarios seed them, and they are removed
# before every scenario and at the end. No elevation prompt may wait for an
# answer that nobody gives: for the scenarios, Windows refuses a standard
# user's elevation at once and grants an administrator's without asking;
# the policies found are given back at the end, however the run ends.
# Prints "windows: N passed, M failed, K left out" and fails when any
# scenario failed.
#   tests/windows/run.sh BUILD_FOLDER DRIVER
# The driver is the 64-bit one for either build, as under Wine. It must run
# elevated, as the forge's jobs do, to change the policies.
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
# The version the programs carry, as the about box and the command line show it.
version=$(sed -nE 's/^project\(kestrane VERSION ([0-9.]+).*/\1/p' "$here/CMakeLists.txt")
build=$1
work=$here/build/windows-scenarios
rm -rf "$work" && mkdir -p "$work"
cp "$build/kestrane.exe" "$build/kestrane-cli.exe" "$2" "$work/"
stores=$(cygpath -w "$here/tests/e2e/stores")
passed=0
failed=0
left_out=0

driver() { (cd "$work" && ./kdriver.exe); }

# MSYS2 would take reg's switches for paths.
reg() { MSYS2_ARG_CONV_EXCL='*' command reg "$@"; }

# UAC's policies, in the 64-bit view, which Windows reads. The job sets
# the consent values (0: a standard user's elevation is refused at once,
# an administrator's granted without a prompt); a scenario may seed any of
# them, EnableLUA too, and each is put back after every scenario.
policies='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\System'
policy_names=(ConsentPromptBehaviorUser ConsentPromptBehaviorAdmin EnableLUA)
declare -A for_the_job=([ConsentPromptBehaviorUser]=0 [ConsentPromptBehaviorAdmin]=0)
declare -A found=()

# A policy's DWORD in decimal, or "none".
policy() {
  local value
  value=$(reg query "$policies" /v "$1" /reg:64 2>/dev/null | tr -d '\r' | awk -v name="$1" '$1 == name { print $3 }')
  if [ -n "$value" ]; then echo $((value)); else echo none; fi
}

put_policy() {
  if [ "$2" = none ]; then
    reg delete "$policies" /v "$1" /f /reg:64 >/dev/null 2>&1
  else
    reg add "$policies" /v "$1" /t REG_DWORD /d "$2" /f /reg:64 >/dev/null ||
      echo "    could not set $1 to $2"
  fi
}

# Each policy as the job wants it, or as it was found where the job does
# not set it.
policies_for_the_job() {
  local name
  for name in "${policy_names[@]}"; do put_policy "$name" "${for_the_job[$name]:-${found[$name]}}"; done
}

give_policies_back() {
  local name
  for name in "${policy_names[@]}"; do put_policy "$name" "${found[$name]}"; done
  echo "[windows] policies given back: $(for name in "${policy_names[@]}"; do printf '%s %s  ' "$name" "$(policy "$name")"; done)"
}

for name in "${policy_names[@]}"; do
  found[$name]=$(policy "$name")
done
trap give_policies_back EXIT
policies_for_the_job
for name in "${policy_names[@]}"; do
  echo "[windows] policy $name: found ${found[$name]}, for the scenarios $(policy "$name")"
done

# A scenario may leave a key read-only: it is given back its rights first.
remove_store() {
  local key
  for key in 'HKLM\SOFTWARE\Wow6432Node\Lenovo' 'HKLM\SOFTWARE\Lenovo' 'HKCU\Software\Lenovo'; do
    reg query "$key" >/dev/null 2>&1 || continue
    printf 'writable %s\n' "$key" | driver >/dev/null 2>&1
    reg delete "$key" /f >/dev/null 2>&1 || echo "    could not remove $key"
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
  sed -e "s#\$STORES#${stores//\\/\\\\}#g" -e "s#\$VERSION#$version#g" "$scenario" | driver > "$work/$name.log" 2>&1
  status=${PIPESTATUS[1]}
  policies_for_the_job
  if [ "$status" -eq 0 ]; then
    passed=$((passed + 1))
    echo "[windows] PASS scenario $name"
    # The token the driver made for a user without rights, and what it says.
    grep '^rights limited:' "$work/$name.log" | sed 's/^/    /'
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
