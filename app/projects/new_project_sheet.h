#pragma once
// The new-project sheet: name, source (a folder of raw photos, or a catalog dropped on the window),
// profile chips and the create button, drawn over NewProjectModel.
#include <QPointer>

#include <functional>
#include <vector>

#include <QAbstractButton>

#include "app/kit/motion.h"
#include "app/kit/sheet_background.h"
#include "app/projects/new_project_model.h"

class QBoxLayout;
class QLineEdit;
class QVBoxLayout;

namespace orvane::kit {
class HoverLift;
class IconTile;
class KitButton;
class SheetCloseButton;
class SymbolView;
}  // namespace orvane::kit

namespace orvane::projects {

// The folder section's drop box: a well with a border inside its edge, dashed until a folder is chosen,
// that turns to the accent colour (along the kit's spring) while a drag of files is over it. What it
// shows inside is replaced as the section changes; the box itself stays, and so does its animation.
class FolderBox final : public QWidget {
    Q_OBJECT
public:
    explicit FolderBox(QWidget* parent = nullptr);
    void setContent(QWidget* content);
    void setChosen(bool chosen);
    void setTargeted(bool targeted);
    bool isTargeted() const { return targeted_.target() > 0.5; }
    // 0 at rest … 1 targeted, as drawn now.
    double targetedProgress() const { return targeted_.value(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* content_ = nullptr;
    bool chosen_ = false;
    kit::SpringValue targeted_;
};

// One built profile to choose: its tile, name and preset, and a check mark while chosen. Its fill and
// border move to the chosen look along the kit's spring.
class ProfileChip final : public QAbstractButton {
    Q_OBJECT
public:
    ProfileChip(const Profile& profile, bool selected, QWidget* parent = nullptr);
    const Uuid& profileID() const { return id_; }
    void setSelected(bool selected);
    bool isSelected() const { return selection_.target() > 0.5; }
    // 0 plain … 1 chosen, as drawn now.
    double selectionProgress() const { return selection_.value(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Uuid id_;
    kit::IconTile* plainTile_;
    kit::IconTile* filledTile_;
    kit::SymbolView* check_;
    kit::SpringValue selection_;
};

class NewProjectSheet final : public kit::GlassSheet {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 560;

    // Opens over the model: takes a dropped item from the router, preselects the profile.
    NewProjectSheet(model::AppModel& app, model::Router& router, NewProjectModel::Created created,
                    NewProjectServices services = NewProjectServices::standard(), QWidget* parent = nullptr);
    ~NewProjectSheet() override;

    NewProjectModel& model() { return *model_; }
    kit::SheetCloseButton* closeButton() const { return close_; }

    // The panels of the source sections.
    void pickRawFolder();
    void pickCatalogFile();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    QWidget* folderContent();
    QWidget* catalogSection();
    QWidget* profilePicker();
    void refreshProfiles();

    model::AppModel& app_;
    NewProjectModel* model_;
    std::function<void()> restyle_;
    QLineEdit* name_ = nullptr;
    QVBoxLayout* source_ = nullptr;   // holds the current section
    QVBoxLayout* profiles_ = nullptr;  // holds the chips
    QWidget* sourceWidget_ = nullptr;
    QWidget* profileWidget_ = nullptr;
    std::vector<ProfileChip*> chips_;
    std::vector<Uuid> chipIDs_;  // the built profiles the chips were made for
    FolderBox* folderBox_ = nullptr;
    kit::HoverLift* folderLift_ = nullptr;
    kit::KitButton* create_ = nullptr;
    kit::SheetCloseButton* close_ = nullptr;
    bool targeted_ = false;
};

}  // namespace orvane::projects
