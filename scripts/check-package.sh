#!/usr/bin/env bash
# Builds the Debian package of a build tree, installs it with apt, starts the program the way its
# desktop entry does under a private X server on the simulated gauges, checks that it comes up
# and stays up, and removes the package again.   Usage: scripts/check-package.sh [BUILD_DIR]
# Needs root or password-less sudo (skipped with a message otherwise).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
id=io.github.zenuconnect.ZenuConnect
package=zenuconnect

if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif sudo -n true 2>/dev/null; then
  SUDO=(sudo -n)
else
  echo "check-package: SKIPPED: installing the package needs root or password-less sudo"
  exit 0
fi
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
  echo "check-package: SKIPPED: a $package package is installed already; this check would replace and remove it"
  exit 0
fi

work=$(mktemp -d /tmp/zenu-package.XXXXXX)
installed=0
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  if [ "$installed" = 1 ]; then
    DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get purge -y -q -o DPkg::Lock::Timeout=120 "$package" \
      >"$work/remove.log" 2>&1 || { cat "$work/remove.log" >&2; echo "check-package: removing $package failed" >&2; }
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

# The package, built beside the check's other files so that the build tree stays clean.
(cd "$build" && cpack -G DEB -B "$work/cpack") >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
debs=("$work"/cpack/${package}_*.deb)
[ -f "${debs[0]}" ] || fail "cpack made no ${package}_*.deb"
deb=${debs[0]}
echo "check-package: $(basename "$deb"), depends: $(dpkg-deb -f "$deb" Depends)"
grep -q 'libqt6widgets6' <<<"$(dpkg-deb -f "$deb" Depends)" || fail "the package does not depend on the Qt libraries"
contents=$(dpkg-deb -c "$deb")
for f in usr/bin/zenuconnect usr/lib/zenuconnect/libcorvelctl.so "usr/share/applications/$id.desktop"; do
  grep -q " \./$f\$" <<<"$contents" || fail "the package lacks /$f"
done

# Installed as a user would: apt resolves the dependencies.
(cd "$(dirname "$deb")" && DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -q --no-install-recommends \
  -o DPkg::Lock::Timeout=120 "./$(basename "$deb")") >"$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; fail "apt-get install failed"; }
installed=1

desktop=/usr/share/applications/$id.desktop
[ -f "$desktop" ] || fail "$desktop is not installed"
# The command line of the desktop entry, without its field codes (%f, %U, ...).
command_line=$(sed -n 's/^Exec=//p' "$desktop" | head -n 1 | sed 's/ *%[a-zA-Z]//g')
[ -n "$command_line" ] || fail "the desktop entry has no Exec line"

# A private X server, a private home (the program allows one instance per user and writes
# settings there), and the simulated gauges of the installed scenario.
home=$work/home
mkdir -p "$home" "$work/runtime"
chmod 700 "$work/runtime"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; fail "Xvfb did not start"; }
display=:$(head -n 1 "$work/display")

env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$work/runtime" DISPLAY="$display" \
  LANG=C.UTF-8 CORVEL_BLUETOOTH=sim:/usr/share/zenuconnect/scenarios/demo.json \
  sh -c "cd \"\$HOME\" && exec $command_line" >"$work/app.log" 2>&1 &
app_pid=$!

# Up: a window titled with the program's name within 30 s; then still running 5 s later.
window=0
for _ in $(seq 60); do
  kill -0 "$app_pid" 2>/dev/null || break
  if xwininfo -display "$display" -root -tree 2>/dev/null | grep -q '("zenuconnect" "zenuconnect")'; then window=1; break; fi
  sleep 0.5
done
if [ "$window" != 1 ]; then
  cat "$work/app.log" >&2
  fail "'$command_line' showed no window"
fi
sleep 5
kill -0 "$app_pid" 2>/dev/null || { cat "$work/app.log" >&2; fail "'$command_line' ended by itself"; }
# It found its installed data: the manuals are copied into the settings folder at start-up.
[ -s "$home/.config/Zenu Connect/EN_Manual_Zenu_Connect.pdf" ] || fail "the program did not find its installed manuals"

# It ends cleanly when asked to (bounded).
kill -TERM "$app_pid"
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.2; done
if kill -0 "$app_pid" 2>/dev/null; then kill -KILL "$app_pid"; fail "the program did not end on SIGTERM"; fi
app_pid=""
echo "check-package: installed, started from its desktop entry ('$command_line') under Xvfb, ended; removing"
