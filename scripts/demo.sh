#!/usr/bin/env bash
# Installs what is missing, builds and starts Zenu Connect on the simulated gauges (--bluez: through BlueZ).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"
# --bluez: the same gauges through the BlueZ backend, served by the BlueZ stand-in on a private bus.
if [ "${1:-}" = --bluez ]; then
  shift
  exec "$root/scripts/on_bluez.sh" --stand-in "$root/build/bin/zenu-bluez-sim" "$root/sim/scenarios/demo.json" \
    "$root/build/bin/zenuconnect" "$@"
fi
if [ -f "$root/sim/scenarios/demo.json" ]; then
  export CORVEL_BLUETOOTH="sim:$root/sim/scenarios/demo.json"
fi
exec "$root/build/bin/zenuconnect" "$@"
