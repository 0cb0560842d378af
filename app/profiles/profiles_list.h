#pragma once
// The page of all style profiles: the title and the action group of the current mode above one glass
// card of profile rows (or the empty state). It follows the model's profiles, catalogs and build, the
// default profile and its own selection, and rebuilds its rows on each change.
#include <QMenu>
#include <QPointer>
#include <QScrollArea>

#include <optional>
#include <vector>

#include "app/profiles/profiles_list_model.h"

class QHBoxLayout;
class QMenu;
class QVBoxLayout;

namespace orvane::kit {
class KitButton;
class KitLabel;
}  // namespace orvane::kit

namespace orvane::profiles {

class ProfileCard;
class ProfilesEmptyState;

class ProfilesListView final : public QScrollArea {
    Q_OBJECT
public:
    ProfilesListView(model::AppModel& model, model::Router& router, QWidget* parent = nullptr);

    ProfilesListModel& listModel() { return list_; }
    const std::vector<ProfileCard*>& cards() const { return cards_; }
    ProfilesEmptyState* emptyState() const { return empty_; }
    // A header control by its object name ("select", "import", "export", "newProfile", "selectionText",
    // "selectAll", "rename", "trash", "done"); null when the mode hides it.
    QWidget* control(const QString& name) const;
    // The export menu as it stands (one entry per built profile).
    QMenu* exportMenu() const { return exportMenu_; }

private:
    void rebuildHeader();
    void rebuildRows();
    void clear(QLayout* layout);

    ProfilesListModel list_;
    QVBoxLayout* column_ = nullptr;
    QHBoxLayout* actions_ = nullptr;
    QVBoxLayout* rowsHost_ = nullptr;
    std::vector<ProfileCard*> cards_;
    ProfilesEmptyState* empty_ = nullptr;
    QPointer<QMenu> exportMenu_;
    std::optional<Uuid> training_;  // the profile whose build the rows show
};

}  // namespace orvane::profiles
