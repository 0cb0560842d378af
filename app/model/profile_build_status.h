#pragma once
// The profile build under way, as the side rail and the profile screens show it.
#include <QString>

#include <memory>
#include <optional>
#include <string>

#include "core/base/iso_date.h"
#include "core/base/uuid.h"
#include "core/style/profile_builder.h"

namespace orvane::model {

struct ProfileBuildStatus {
    Uuid profileID;
    std::string name;  // the profile's name when the build started
    ProfileBuilder::Phase phase;
    Date started{};
    // Shared with the build running in the background.
    std::shared_ptr<ProfileBuilder::CancelToken> cancel = std::make_shared<ProfileBuilder::CancelToken>();
    bool stopping = false;
    std::optional<std::string> note;  // a status line for the steps before training

    // The name and the cancel token are not compared.
    bool operator==(const ProfileBuildStatus& o) const {
        return profileID == o.profileID && phase == o.phase && started == o.started && stopping == o.stopping &&
               note == o.note;
    }
};

// The display text of a build phase: "Trăsături 3/10", "Validare 2/4", "Antrenare model final".
QString phaseText(const ProfileBuilder::Phase& phase);

}  // namespace orvane::model
