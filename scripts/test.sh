#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
# --sanitize builds with AddressSanitizer + UndefinedBehaviorSanitizer in build-asan/.
# In CI ($CI set), or with ZENU_CHECK_PACKAGE=1, the Debian package is then built, installed,
# started from its desktop entry under Xvfb and removed (scripts/check-package.sh; needs root).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

dir="$root/build"; extra=()
if [ "${1:-}" = "--sanitize" ]; then
  dir="$root/build-asan"; extra=(-DZENU_SANITIZE=ON -DZENU_BUILD_BENCH=OFF)
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
"$root/scripts/build.sh" "$dir" "${extra[@]}"

export QT_QPA_PLATFORM=offscreen
cd "$dir"
ctest --output-on-failure -j"$(nproc)" --timeout 300

if [ "$dir" = "$root/build" ] && [ -n "${CI:-}${ZENU_CHECK_PACKAGE:-}" ]; then
  "$root/scripts/check-package.sh" "$dir"
fi
