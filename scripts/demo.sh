#!/usr/bin/env bash
# Installs what is missing, builds and starts Zenu Connect on the simulated gauges.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"
if [ -f "$root/sim/scenarios/demo.json" ]; then
  export CORVEL_BLUETOOTH="sim:$root/sim/scenarios/demo.json"
fi
exec "$root/build/bin/zenuconnect" "$@"
