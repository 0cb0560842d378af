#pragma once
// The start sheet's widget over StartSheetModel: header, explanation, the level choice with its
// summary and customize link, and "Anulează" / "Pornește editarea". Escape and "Anulează" only close;
// "Pornește editarea" and Return hand the options to the job and start (or queue) it.
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

#include "app/kit/buttons.h"
#include "app/kit/sheet_background.h"
#include "app/options/option_levels_model.h"
#include "app/options/start_sheet_model.h"

class QLabel;
class QAbstractButton;
class QHBoxLayout;
class QScrollArea;

namespace orvane::kit {
class PillPicker;
}

namespace orvane::options {

class ExtraOptionsPanel;

class StartSheet final : public kit::GlassSheet {
    Q_OBJECT
public:
    using Start = std::function<void(const std::shared_ptr<Job>&)>;
    // `start` is AppModel::startJob in the application; `close` dismisses the sheet.
    StartSheet(OptionsBinding& binding, std::shared_ptr<Job> job, Start start, std::function<void()> close,
               QWidget* parent = nullptr);

    // Sizes the sheet: 560 wide, clamp(tallest main window − 60, 420, 600) high.
    void fitTo(const std::vector<WindowInfo>& windows, std::optional<int> screenHeight);
    // The sheet's own top-level windows and screen, as the size rule reads them.
    void fitToApplication();

    StartSheetModel& model() { return model_; }
    OptionLevelsModel& levels() { return levels_; }
    // The level pills, and where a level's pill is on them (none for a hidden custom level).
    kit::PillPicker* levelPicker() const { return picker_; }
    std::optional<QPoint> levelPoint(Level level) const;
    // The extra options panel (shown while "Personalizează" is open) and its scroll area.
    ExtraOptionsPanel* panel() const { return panel_; }
    QScrollArea* panelArea() const { return panelScroll_; }
    QAbstractButton* startButton() const { return startButton_; }
    QAbstractButton* cancelButton() const { return cancelButton_; }
    QAbstractButton* customizeLink() const { return customize_; }
    QString summaryText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();
    void startEditing();

    StartSheetModel model_;
    OptionLevelsModel levels_;
    Start start_;
    std::function<void()> close_;
    QLabel* subtitle_ = nullptr;
    QLabel* summary_ = nullptr;
    QHBoxLayout* pills_ = nullptr;
    kit::PillPicker* picker_ = nullptr;
    ExtraOptionsPanel* panel_ = nullptr;
    QScrollArea* panelScroll_ = nullptr;
    QWidget* filler_ = nullptr;
    kit::KitButton* startButton_ = nullptr;
    kit::KitButton* cancelButton_ = nullptr;
    QAbstractButton* customize_ = nullptr;
};

}  // namespace orvane::options
