#!/usr/bin/env bash
# Configures and builds one target: native (headless toolkit, simulated
# system, sanitizers), x86_64 or i686 (kestrane.exe, Wine tests, driver),
# fuzz (the libFuzzer targets, clang) or bench (the native benchmarks).
# Names of CMake targets after it build only those:
#   scripts/build.sh x86_64 kestrane kestrane-cli
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
target=$1
shift
only=()
[ $# -eq 0 ] || only=(--target "$@")
dir=$here/build/$target
case $target in
  native) args=(-DCMAKE_BUILD_TYPE=Debug) ;;
  bench) args=(-DCMAKE_BUILD_TYPE=Release -DKST_SANITIZE=OFF -DKST_BENCH=ON) ;;
  fuzz) args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKST_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
  x86_64 | i686) args=(-DCMAKE_BUILD_TYPE=Release "-DCMAKE_TOOLCHAIN_FILE=$here/cmake/mingw-$target-w64-mingw32.cmake") ;;
  *) echo "build: unknown target $target" >&2; exit 2 ;;
esac
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S "$here" -B "$dir" -G Ninja "${args[@]}" >/dev/null
fi
# Ninja's progress lines are noise here; warnings and errors still show.
cmake --build "$dir" "${only[@]}" -- -j"$(nproc)" 2>&1 | { grep -vE '^\[[0-9]+/[0-9]+\] ' || true; }
