#pragma once
// The notification that a project's editing has finished, or the beep and the window's request for
// attention when notifications are not allowed.
#include <memory>
#include <optional>
#include <string>

#include "app/platform/notifications.h"
#include "core/base/defaults.h"
#include "core/base/executor.h"

namespace orvane::model {

// "notifyDone": true when absent or not a boolean.
bool notifyDoneEnabled(const Defaults& defaults);

// "Editarea s-a terminat: <count> fotografii."
std::string editingFinishedBody(long long count);

// Posts the finished notification under `title` when `authorization` allows it (authorized or
// provisional), each with a fresh identifier; otherwise beeps and asks for attention once, on the
// main thread. May be called on any thread.
void postEditingFinished(platform::NotificationCenter::Authorization authorization, const std::string& title,
                         long long count, platform::NotificationCenter& center,
                         std::shared_ptr<platform::Attention> attention, MainExecutor& main);

// The permission the settings show: false when denied, true when authorized or provisional, nothing
// when not determined or any other state.
std::optional<bool> notificationPermission(platform::NotificationCenter::Authorization authorization);

}  // namespace orvane::model
