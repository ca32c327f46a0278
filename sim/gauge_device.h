#pragma once
// A gauge behind its GATT layout: commands written to the command characteristic are
// answered there (read back by polling; a "$ls" reply in pieces, then empty reads), the
// storage characteristics serve family "4" memories, and while the measurement
// characteristic is subscribed the live readings are notified one per interval.
#include <memory>

#include "sim/device_behaviour.h"
#include "sim/gatt_database.h"
#include "sim/gauge_def.h"

namespace zenu::sim {

// `gauge` resolved; the characteristics are found in `db` by their UUIDs. The gauge's
// clock starts at its `clock` or, without one, at the host's wall-clock time now.
std::unique_ptr<DeviceBehaviour> makeGaugeBehaviour(const GaugeDef& gauge, GattDatabase& db);

}  // namespace zenu::sim
