#include "app/model/user_notifications.h"

#include "core/base/uuid.h"

namespace orvane::model {

using Authorization = platform::NotificationCenter::Authorization;

bool notifyDoneEnabled(const Defaults& defaults) { return defaults.boolValue("notifyDone").value_or(true); }

std::string editingFinishedBody(long long count) {
    return "Editarea s-a terminat: " + std::to_string(count) + " fotografii.";
}

void postEditingFinished(Authorization authorization, const std::string& title, long long count,
                         platform::NotificationCenter& center, std::shared_ptr<platform::Attention> attention,
                         MainExecutor& main) {
    if (authorization == Authorization::authorized || authorization == Authorization::provisional) {
        center.add({Uuid::random().text(), title, editingFinishedBody(count), true});
        return;
    }
    if (!attention) return;
    main.post([attention = std::move(attention)] {
        attention->beep();
        attention->requestAttention();
    });
}

std::optional<bool> notificationPermission(Authorization authorization) {
    switch (authorization) {
        case Authorization::denied: return false;
        case Authorization::authorized:
        case Authorization::provisional: return true;
        case Authorization::notDetermined:
        case Authorization::ephemeral: return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace orvane::model
