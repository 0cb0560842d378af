#pragma once
// What a profile's row in the profiles list shows and does, without widgets: its colour, its summary
// line, its state (pill, tile, train and delete buttons, default marker) and its own actions (open,
// rename, delete, make default, train). The list's bulk actions share the rename and delete texts.
#include <QColor>
#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>

#include "app/kit/palette.h"
#include "app/model/app_model.h"
#include "app/model/router.h"
#include "core/base/iso_date.h"
#include "core/style/profile.h"

namespace orvane::profiles {

// h = h × 31 + byte over the UTF-8 bytes, in wrapping signed 64-bit arithmetic.
std::int64_t stableHash31(std::string_view text);
// The remainder of |h| by 8, taken on the magnitude (the most negative h gives 0).
int colorIndexOfHash(std::int64_t hash);
// The colour table's entry for a profile id (its canonical upper-case text, hashed).
int profileColorIndex(const Uuid& id);
QColor profileColor(const Uuid& id);

// The date alone in the abbreviated style: "en_US" when "language" is "en", "ro_RO" otherwise.
QString profileDateText(Date date);
// The card's summary line: the training pieces joined with " · ".
QString profileSubtitle(const Profile& profile);

// Everything on a card that follows from the profile, the build under way and the default.
struct ProfileCardState {
    bool built = false;
    bool needsUpdate = false;
    bool training = false;    // this profile's build runs
    bool anyBuild = false;    // some profile's build runs
    bool isDefault = false;   // the usable default profile
    QString pillText;         // "Construit" / "Neconstruit"
    QString pillSymbol;
    kit::StatusKind pillKind = kit::StatusKind::warn;
    bool colouredTile = false;               // the profile's colour, else grey
    std::optional<QString> trainText;        // none: no train button
    bool trainEnabled = false;
    bool deleteEnabled = true;
    bool defaultButton = false;              // only built profiles have one
};
ProfileCardState cardState(const Profile& profile, const model::AppModel& model, const model::Router& router);

// The delete question for one profile and its informative text (the list's bulk delete uses them).
QString deleteOneQuestion(const std::string& name);
QString deleteInformative();

// ---- A card's actions (main thread) ----
// The profile's detail page.
void openProfile(model::Router& router, const Profile& profile);
// Asks for a new name and saves it; failures go to the model's error. True when a new name was given
// (saved or not), false when the prompt gave nothing.
bool renameProfile(model::AppModel& model, const Profile& profile);
// Asks, then moves the profile's folder to the trash; a failure goes to the model's error.
void deleteProfile(model::AppModel& model, const Profile& profile);
// Stores the profile as the default for editing.
void makeDefaultProfile(model::Router& router, const Profile& profile);
// Trains the profile on its catalogs still in the library, in the library's order; with none of them
// left, opens the profile's page instead so they can be chosen there.
void trainProfile(model::AppModel& model, model::Router& router, const Profile& profile);

}  // namespace orvane::profiles
