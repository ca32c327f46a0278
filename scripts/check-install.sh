#!/usr/bin/env bash
# Installs a build tree under a temporary prefix and checks what a user gets: every file in
# place, the desktop entry and the AppStream metadata valid, the programs running from the
# prefix with their own libraries, and the control found without registration and through the
# registry after corvel-regsvr.   Usage: scripts/check-install.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
id=io.github.zenuconnect.ZenuConnect

work=$(mktemp -d /tmp/zenu-install.XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix=$work/usr
cmake --install "$build" --prefix "$prefix" >/dev/null

failures=0
fail() { echo "check-install: $*" >&2; failures=$((failures + 1)); }

version=$(sed -n 's/^project(ZenuConnect VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
expected=(
  bin/zenuconnect bin/zenu-cli bin/corvelsh bin/corvel-regsvr
  lib/zenuconnect/libcorvelctl.so lib/zenuconnect/libzenu_com.so
  share/zenuconnect/Zenu.ico share/zenuconnect/Zenulogo.jpg share/zenuconnect/QX.png
  share/zenuconnect/DE_Manual_Zenu_Connect.pdf share/zenuconnect/EN_Manual_Zenu_Connect.pdf
  share/zenuconnect/scenarios/demo.json
  "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"
  share/man/man1/zenuconnect.1.gz share/man/man1/zenu-cli.1.gz share/man/man1/corvelsh.1.gz
  share/man/man1/corvel-regsvr.1.gz
)
for size in 16 24 32 48 64 128 256; do expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png"); done
for f in "${expected[@]}"; do [ -s "$prefix/$f" ] || fail "missing $f"; done

desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $id.desktop"
appstreamcli validate --no-net --explain "$metainfo" >"$work/appstream.txt" 2>&1 ||
  { cat "$work/appstream.txt" >&2; fail "appstreamcli rejects $id.metainfo.xml"; }
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$prefix/bin/$exec_program" ] || fail "the desktop entry starts '$exec_program', which is not installed in bin/"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry's icon is not $id"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metadata has no release $version"

# The installed programs use the installed libraries, never the build tree's.
for f in bin/zenuconnect bin/zenu-cli bin/corvelsh bin/corvel-regsvr lib/zenuconnect/libcorvelctl.so; do
  if readelf -d "$prefix/$f" | grep -E 'RPATH|RUNPATH' | grep -qF "$build"; then fail "$f still points into the build tree"; fi
  if env -u LD_LIBRARY_PATH ldd "$prefix/$f" | grep -q 'not found'; then fail "$f misses a library"; fi
done
env -u LD_LIBRARY_PATH ldd "$prefix/bin/zenuconnect" | grep -qE "=> $prefix/bin/\.\./lib/zenuconnect/libzenu_com\.so" ||
  fail "zenuconnect does not load the installed libzenu_com.so"

# The programs start from the prefix: help and version need no display.
shown=$(env -u QT_QPA_PLATFORM "$prefix/bin/zenuconnect" --version) || fail "zenuconnect --version fails"
[ "$shown" = "zenuconnect V$version" ] || fail "zenuconnect --version says '$shown', expected V$version"
for p in zenuconnect zenu-cli corvelsh corvel-regsvr; do
  help=$("$prefix/bin/$p" --help 2>&1) || fail "$p --help fails"
  grep -q "^Usage: .*$p" <<<"$help" || fail "$p --help shows no usage line"
done

# The control: registration-free from the install tree, then registered and unregistered.
export CORVEL_REGISTRY=$work/registry
unset CORVEL_LIBRARY_PATH
out=$("$prefix/bin/corvelsh" -c create 2>&1) || fail "corvelsh cannot create the control registration-free: $out"
library=$(cd "$prefix/lib/zenuconnect" && pwd -P)/libcorvelctl.so
"$prefix/bin/corvel-regsvr" "$prefix/lib/zenuconnect/libcorvelctl.so" >/dev/null || fail "corvel-regsvr fails"
grep -qF "$library" "$CORVEL_REGISTRY/classes.reg" 2>/dev/null || fail "the registry does not name $library"
out=$("$prefix/bin/corvelsh" -c create 2>&1) || fail "corvelsh cannot create the registered control: $out"
"$prefix/bin/corvel-regsvr" -u "$prefix/lib/zenuconnect/libcorvelctl.so" >/dev/null || fail "corvel-regsvr -u fails"
if grep -qF "$library" "$CORVEL_REGISTRY/classes.reg" 2>/dev/null; then fail "corvel-regsvr -u left the keys"; fi

# Man pages render without complaints (where man is installed).
if command -v man >/dev/null; then
  for page in "$prefix"/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null || echo "man fails")
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
  done
fi

if [ "$failures" -ne 0 ]; then
  echo "check-install: $failures problem(s) in the installed tree" >&2
  exit 1
fi
echo "check-install: the installed tree under a temporary prefix is complete and valid"
