#!/usr/bin/env bash
# Takes every screenshot anew: runs the scenarios against the x86_64 build
# under Wine, all on the IceWM desktop, and copies what their screenshot
# steps saved to docs/screenshots.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"
"$here/scripts/build.sh" x86_64
rm -rf "$here/build/wine/x86_64/screenshots"
KST_ALL_ON_DESKTOP=1 KST_ARCHS=x86_64 KST_SCENARIOS_ONLY=1 "$here/tests/wine/run.sh"
mkdir -p "$here/docs/screenshots"
cp "$here/build/wine/x86_64/screenshots/"*.png "$here/docs/screenshots/"
echo "screenshots: $(ls "$here/docs/screenshots" | wc -l) pictures in docs/screenshots"
