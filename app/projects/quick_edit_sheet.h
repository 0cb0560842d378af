#pragma once
// The quick-edit sheet: choose a Lightroom catalog, tick its folders, name the project, choose a
// profile and a level (or the functions one by one), and start. A thin widget over QuickEditModel,
// three pages in one sheet of 720 × 680.
#include <QPointer>

#include <memory>

#include "app/kit/sheet_background.h"
#include "app/options/option_levels_model.h"
#include "app/options/options_binding.h"
#include "app/platform/volume_watcher.h"
#include "app/projects/quick_edit_model.h"

class QAbstractButton;
class QLineEdit;
class QStackedWidget;
class QVBoxLayout;

namespace orvane::kit {
class DropdownLabel;
class FormRow;
class KitButton;
class KitLabel;
class PillPicker;
class SheetCloseButton;
}  // namespace orvane::kit

namespace orvane::options {
class ExtraOptionsPanel;
}

namespace orvane::projects {

class SmallSwitch;

class QuickEditSheet final : public kit::GlassSheet {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 720;
    static constexpr int sheetHeight = 680;

    // `volumes` tells of mounted disks (the mount table when none is given).
    QuickEditSheet(model::AppModel& app, model::Router& router, QuickEditServices services = QuickEditServices::standard(),
                   std::unique_ptr<platform::VolumeWatcher> volumes = nullptr, QWidget* parent = nullptr);
    ~QuickEditSheet() override;

    QuickEditModel& model() { return *model_; }
    platform::VolumeWatcher& volumes() { return *volumes_; }
    kit::SheetCloseButton* closeButton() const { return close_; }
    QAbstractButton* backButton() const { return back_; }
    QLineEdit* searchField() const { return search_; }
    QLineEdit* nameField() const { return name_; }
    QAbstractButton* startButton() const;
    QAbstractButton* otherCatalogButton() const;
    kit::PillPicker* levelPicker() const { return levels_; }
    kit::PillPicker* uneditedPicker() const { return unedited_; }
    kit::DropdownLabel* profileMenu() const { return profileMenu_; }
    options::ExtraOptionsPanel* optionsPanel() const { return panel_; }
    QString subtitleText() const;

    // The file panel of "Alege alt catalog…".
    void pickCatalogFile();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildCatalogPage();
    QWidget* buildFoldersPage();
    QWidget* buildOptionsPage();
    void refresh();
    void refreshCatalogList();
    void refreshFolders();
    void refreshEditing();
    void start();
    void openProfileMenu();

    model::AppModel& app_;
    options::OptionsBinding binding_;
    options::OptionLevelsModel levelsModel_;
    QuickEditModel* model_;
    std::unique_ptr<platform::VolumeWatcher> volumes_;

    QAbstractButton* back_ = nullptr;
    kit::KitLabel* subtitle_ = nullptr;
    QWidget* tabs_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    kit::SheetCloseButton* close_ = nullptr;

    // catalog step
    QLineEdit* search_ = nullptr;
    QVBoxLayout* catalogRows_ = nullptr;
    QWidget* catalogList_ = nullptr;
    std::vector<std::string> shownCatalogIDs_;
    bool shownScanning_ = false;
    kit::KitButton* otherCatalog_ = nullptr;

    // folders page
    QWidget* nameSection_ = nullptr;
    QLineEdit* name_ = nullptr;
    QAbstractButton* clearName_ = nullptr;
    kit::KitLabel* photosTitle_ = nullptr;
    QAbstractButton* selectAll_ = nullptr;
    QVBoxLayout* photosBody_ = nullptr;
    QWidget* photosContent_ = nullptr;
    kit::PillPicker* unedited_ = nullptr;
    QWidget* editingSection_ = nullptr;
    kit::DropdownLabel* profileMenu_ = nullptr;
    kit::FormRow* levelRow_ = nullptr;
    QVBoxLayout* levelHolder_ = nullptr;
    kit::PillPicker* levels_ = nullptr;
    SmallSwitch* boost_ = nullptr;
    QWidget* editedNote_ = nullptr;
    kit::KitLabel* editedNoteText_ = nullptr;
    QWidget* previewNote_ = nullptr;
    kit::KitLabel* count_ = nullptr;
    kit::KitButton* start_ = nullptr;

    // options page
    options::ExtraOptionsPanel* panel_ = nullptr;
    kit::KitButton* done_ = nullptr;
};

}  // namespace orvane::projects
