#!/usr/bin/env bash
# Configure and build. Usage: scripts/build.sh [BUILD_DIR] [extra cmake args...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$root/build"}; shift || true
# ccache when present, chosen only when the tree is configured for the first time: switching
# the launcher of an existing tree would rebuild all of it.
launcher=()
if [ ! -f "$dir/CMakeCache.txt" ] && command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
