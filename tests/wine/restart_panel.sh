#!/usr/bin/env bash
# Ends the window manager and panel of this display, as a crashing or
# restarting shell would, waits until it is gone and starts it again.
# The driver runs it from inside Wine and learns from the file named by
# the first argument that the old panel is gone.
set -u
panels=()
for pid in $(pgrep -x icewm); do
  if tr '\0' '\n' < "/proc/$pid/environ" 2>/dev/null | grep -qx "DISPLAY=$DISPLAY"; then panels+=("$pid"); fi
done
[ ${#panels[@]} -gt 0 ] && kill "${panels[@]}"
# IceWM lets go of its windows before it ends, which can take a while;
# a process that has ended but is not yet reaped counts as gone.
for _ in $(seq 100); do
  alive=$(ps -o stat= -p "${panels[@]:-0}" 2>/dev/null | grep -vc Z)
  [ "$alive" -eq 0 ] && break
  sleep 0.1
done
touch "$1"
exec icewm >/dev/null 2>&1
