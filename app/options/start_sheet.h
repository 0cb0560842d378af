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

namespace orvane::options {

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
    // The shown capsule of a level (nullptr for a hidden custom level).
    QAbstractButton* levelButton(Level level) const;
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
    // Until the kit's pill picker lands: each level has a plain and a chosen capsule, one shown.
    struct Pill {
        Level level;
        kit::KitButton* plain;
        kit::KitButton* chosen;
    };
    std::vector<Pill> pills_;
    kit::KitButton* startButton_ = nullptr;
    kit::KitButton* cancelButton_ = nullptr;
    QAbstractButton* customize_ = nullptr;
};

}  // namespace orvane::options
