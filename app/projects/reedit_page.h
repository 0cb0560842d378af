#pragma once
// The re-edit page of a processed project: the header (back to the project, the options menu, the
// profile menu and the version history), a scroll column with the note and "Arată originalul", the
// brightness and colour cards (previews over step buttons), "Mai multe setări" with the fine
// adjustments and the editing options, and the bottom bar with its progress, result and buttons.
// A thin widget over ReeditModel.
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

#include "app/options/options_binding.h"
#include "app/projects/preview_grid_model.h"
#include "app/projects/reedit_model.h"

class QAbstractButton;
class QMenu;
class QScrollArea;
class QVBoxLayout;

namespace orvane::kit {
class KitLabel;
class KitButton;
class PageHeader;
class PillBar;
class ToolGroup;
}  // namespace orvane::kit

namespace orvane::options {
class ExtraOptionsPanel;
class OptionSwitch;
}  // namespace orvane::options

namespace orvane::projects {

class PreviewGrid;
class SmallSpinner;
class VersionHistoryList;

struct ReeditPageServices {
    std::optional<ReeditServices> reedit;  // none: ReeditServices::standard of the page's model
    PreviewServices previews = PreviewServices::standard();
};

class ReeditPage final : public QWidget {
    Q_OBJECT
public:
    ReeditPage(model::AppModel& app, model::Router& router, std::shared_ptr<Job> job,
               ReeditPageServices services = {}, QWidget* parent = nullptr);
    ~ReeditPage() override;

    ReeditModel& model() { return *model_; }
    kit::PageHeader* header() const { return header_; }
    // The visible control with that object name ("back", "optionsMenu", "profileMenu", "history",
    // "darker", "brighter", "colder", "warmer", "original", "cancel", "apply", "done"), or null.
    QAbstractButton* control(const QString& name) const;
    QString brightnessLabel() const;
    QString warmthLabel() const;
    QString statusLabel() const;
    QString percentLabel() const;
    QString resultLabel() const;
    bool showsReadHint() const;
    bool showsProgress() const;
    PreviewGrid* grid(int card) const { return grids_[card]; }
    kit::ToolGroup* moreSettings() const { return more_; }
    options::ExtraOptionsPanel* extraOptions() const { return extra_; }
    // The adjustments panel, made afresh whenever the page's steps, a restored version or the tuning
    // change the project.
    QWidget* adjustmentsPanel() const { return panel_; }
    // The history list while its popover is open.
    VersionHistoryList* historyList() const;
    QWidget* historyPopover() const { return popover_; }
    std::unique_ptr<QMenu> makeOptionsMenu();
    std::unique_ptr<QMenu> makeProfileMenu();
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildCard(bool brightness);
    QWidget* buildMoreSettings();
    QWidget* buildBottomBar();
    void rebuildPanel();
    void syncHistoryPopover();
    void scheduleRefresh();

    std::unique_ptr<ReeditModel> model_;
    options::OptionsBinding binding_;
    PreviewServices previews_;
    bool refreshPending_ = false;

    kit::PageHeader* header_ = nullptr;
    QAbstractButton* optionsMenu_ = nullptr;
    QAbstractButton* profileMenu_ = nullptr;
    kit::KitButton* history_ = nullptr;
    QPointer<QWidget> popover_;
    QAbstractButton* original_ = nullptr;
    PreviewGrid* grids_[2] = {nullptr, nullptr};
    kit::KitLabel* values_[2] = {nullptr, nullptr};
    QAbstractButton* steps_[4] = {nullptr, nullptr, nullptr, nullptr};
    kit::ToolGroup* more_ = nullptr;
    QWidget* panelSlot_ = nullptr;
    QWidget* panel_ = nullptr;
    options::ExtraOptionsPanel* extra_ = nullptr;

    QWidget* resultBlock_ = nullptr;
    kit::KitLabel* resultText_ = nullptr;
    kit::KitLabel* readHint_ = nullptr;
    QWidget* progressBlock_ = nullptr;
    kit::PillBar* bar_ = nullptr;
    SmallSpinner* spinner_ = nullptr;
    kit::KitLabel* percent_ = nullptr;
    kit::KitLabel* status_ = nullptr;
    kit::KitButton* cancel_ = nullptr;
    kit::KitButton* apply_ = nullptr;
    kit::KitButton* done_ = nullptr;
};

}  // namespace orvane::projects
