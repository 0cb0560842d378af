#pragma once
// The profiles list's own state and its list-level actions, without widgets: selection mode, the
// selected ids, select-all, bulk rename and delete, and package import and export. Everything runs on
// the main thread; questions go through the kit's dialog service.
#include <QObject>
#include <QString>

#include <set>
#include <vector>

#include "app/model/app_model.h"
#include "app/model/router.h"
#include "core/style/profile.h"

namespace orvane::profiles {

class ProfilesListModel final : public QObject {
    Q_OBJECT
public:
    ProfilesListModel(model::AppModel& model, model::Router& router, QObject* parent = nullptr);

    model::AppModel& appModel() const { return model_; }
    model::Router& router() const { return router_; }

    // The model's profiles as it holds them (never re-sorted), and the built ones among them.
    const std::vector<Profile>& profiles() const { return model_.profiles(); }
    std::vector<Profile> builtProfiles() const;
    bool anyCatalog() const { return !model_.catalogs().empty(); }

    bool selecting() const { return selecting_; }
    const std::set<Uuid>& selected() const { return selected_; }
    bool isSelected(const Uuid& id) const { return selected_.count(id) > 0; }
    void startSelecting();
    // "Gata": selection mode ends with nothing selected.
    void endSelecting();
    void toggle(const Uuid& id);
    // Empties the selection when it counts as many ids as there are profiles, else selects them all.
    void toggleAll();
    bool allSelected() const { return selected_.size() == profiles().size(); }

    // "N selectate" or "Alege profiluri"; the select-all button's title.
    QString selectionText() const;
    QString selectAllTitle() const;
    bool canRename() const { return selected_.size() == 1; }
    bool canDelete() const { return !selected_.empty(); }

    // The selected profiles present in the model, in its order, without the one being trained.
    std::vector<Profile> deleteTargets() const;
    // Asks once, moves every target to the trash, reloads and ends selection mode. Targets that could
    // not be moved are named in one error. No target: nothing at all.
    void deleteSelected();
    // Renames the one selected profile; a new name (saved or not) ends selection mode.
    void renameSelected();
    // Asks for a package, installs it and opens the imported profile's page.
    void importProfile();
    // Asks where to write the profile's package and writes it.
    void exportProfile(const Profile& profile);

    // The save panel's suggestion: the name made safe for a file name, then the package extension.
    static QString suggestedExportName(const std::string& profileName);

signals:
    // Selection mode or the selection changed.
    void selectionChanged();

private:
    model::AppModel& model_;
    model::Router& router_;
    bool selecting_ = false;
    std::set<Uuid> selected_;
};

}  // namespace orvane::profiles
