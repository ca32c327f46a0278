#!/usr/bin/env bash
# private_bus.sh STAND_IN SCENARIO COMMAND [ARGS...]
# Runs COMMAND against the BlueZ stand-in on a private D-Bus bus: starts a dbus-daemon of
# its own (anyone may own any name on it), then STAND_IN SCENARIO with DBUS_SYSTEM_BUS_ADDRESS
# pointing there, waits (bounded) until org.bluez is served, runs COMMAND with the same
# variable, and always stops both again. The exit code is COMMAND's.
set -u
stand_in=$1 scenario=$2
shift 2

dir=$(mktemp -d /tmp/zenu-bluez-bus.XXXXXX)
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

dbus-daemon --config-file="$dir/bus.conf" --nofork --nopidfile --print-address=1 > "$dir/address" 2> "$dir/daemon.log" &
daemon_pid=$!
for _ in $(seq 100); do [ -s "$dir/address" ] && break; sleep 0.05; done
address=$(head -n1 "$dir/address")
if [ -z "$address" ]; then echo "private_bus.sh: dbus-daemon did not start" >&2; cat "$dir/daemon.log" >&2; exit 1; fi
export DBUS_SYSTEM_BUS_ADDRESS=$address

"$stand_in" "$scenario" > "$dir/sim.out" 2> "$dir/sim.err" &
sim_pid=$!
for _ in $(seq 200); do
  grep -q "serving org.bluez" "$dir/sim.out" 2>/dev/null && break
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.05
done
if ! grep -q "serving org.bluez" "$dir/sim.out"; then
  echo "private_bus.sh: the stand-in did not start" >&2; cat "$dir/sim.err" >&2; exit 1
fi

"$@"
rc=$?
if [ $rc -ne 0 ]; then
  echo "--- the stand-in said:" >&2; cat "$dir/sim.err" >&2
  kill -0 "$sim_pid" 2>/dev/null || echo "--- the stand-in is gone" >&2
  echo "--- dbus-daemon said:" >&2; cat "$dir/daemon.log" >&2
fi
# The stand-in must end cleanly on SIGTERM.
kill -TERM "$sim_pid"; wait "$sim_pid"; sim_rc=$?; sim_pid=
if [ "$sim_rc" -ne 0 ]; then echo "private_bus.sh: the stand-in ended with $sim_rc on SIGTERM" >&2; cat "$dir/sim.err" >&2; [ $rc -eq 0 ] && rc=1; fi
exit $rc
