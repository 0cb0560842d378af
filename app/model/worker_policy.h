#pragma once
// How many photos a job develops at once, and how many workers a training uses: from the machine and
// the settings "prioritizeEditing" and "workers", read afresh at every call.
#include "app/platform/machine_info.h"
#include "core/base/defaults.h"

namespace orvane::model {

// A configured "workers" value is honoured as it is, up to this many.
inline constexpr int maxConfiguredWorkers = 64;

// 2..16: memory less 2 GiB, at most the cores and the processors the process may use (its CPU
// affinity); 2 when critically hot.
int fastWorkerCount(const platform::MachineInfo& machine);
// 2..12: memory less 4 GiB, at most the performance cores and half the efficiency ones, and at most the
// processors the process may use; halved in low-power mode; 2 when seriously or critically hot.
int automaticWorkerCount(const platform::MachineInfo& machine);
// The fast count when editing is prioritised, else "workers" when positive (at most 64), else the
// automatic count.
int configuredWorkerCount(const platform::MachineInfo& machine, const Defaults& defaults);
// "prioritizeEditing": false when absent or not a boolean.
bool prioritizeEditing(const Defaults& defaults);

}  // namespace orvane::model
