#!/usr/bin/env bash
# on_bluez.sh [--stand-in PROGRAM SCENARIO] TEST [ARGS...]
# Runs a program (the control's tests, the demo) on BlueZ without touching the machine's system bus: a
# dbus-daemon of its own serves as the system bus (DBUS_SYSTEM_BUS_ADDRESS), CORVEL_BLUETOOTH
# is "bluez", and with --stand-in the BlueZ stand-in serves SCENARIO there (tests that start
# other processes need it; the link tests serve their own scenarios in-process). Waits are
# bounded; the daemon and the stand-in are always stopped, and the stand-in must end cleanly on
# SIGTERM. The exit code is the test's (1 when it passed but the stand-in did not end cleanly).
set -u
stand_in= scenario=
if [ "${1:-}" = --stand-in ]; then stand_in=$2 scenario=$3; shift 3; fi
[ $# -ge 1 ] || { echo "usage: on_bluez.sh [--stand-in PROGRAM SCENARIO] TEST [ARGS...]" >&2; exit 2; }

dir=$(mktemp -d /tmp/zenu-on-bluez.XXXXXX)
daemon_pid= sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill -TERM "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  [ -n "$daemon_pid" ] && kill -TERM "$daemon_pid" 2>/dev/null && wait "$daemon_pid" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

cat > "$dir/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$dir/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
dbus-daemon --config-file="$dir/bus.conf" --nofork --nopidfile --print-address=1 >"$dir/address" 2>"$dir/daemon.log" &
daemon_pid=$!
for _ in $(seq 100); do [ -s "$dir/address" ] && break; sleep 0.05; done
address=$(head -n1 "$dir/address")
[ -n "$address" ] || { echo "on_bluez.sh: dbus-daemon did not start" >&2; cat "$dir/daemon.log" >&2; exit 1; }
export DBUS_SYSTEM_BUS_ADDRESS=$address CORVEL_BLUETOOTH=bluez

if [ -n "$stand_in" ]; then
  "$stand_in" "$scenario" >"$dir/sim.out" 2>"$dir/sim.err" &
  sim_pid=$!
  for _ in $(seq 200); do
    grep -q "serving org.bluez" "$dir/sim.out" 2>/dev/null && break
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.05
  done
  grep -q "serving org.bluez" "$dir/sim.out" ||
    { echo "on_bluez.sh: the stand-in did not start" >&2; cat "$dir/sim.err" >&2; exit 1; }
fi

"$@"
rc=$?
[ -z "$sim_pid" ] && exit $rc
if [ $rc -ne 0 ]; then
  echo "--- the stand-in said:" >&2; cat "$dir/sim.err" >&2
  kill -0 "$sim_pid" 2>/dev/null || echo "--- the stand-in is gone" >&2
  echo "--- dbus-daemon said:" >&2; cat "$dir/daemon.log" >&2
fi
# The stand-in must end cleanly on SIGTERM, as a service does.
kill -TERM "$sim_pid"; wait "$sim_pid"; sim_rc=$?; sim_pid=
if [ "$sim_rc" -ne 0 ]; then
  echo "on_bluez.sh: the stand-in ended with $sim_rc on SIGTERM" >&2; cat "$dir/sim.err" >&2
  [ $rc -eq 0 ] && rc=1
fi
exit $rc
