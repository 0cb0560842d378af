#pragma once
// The processing screen of one project, as the project page hosts it: a scroll column (at most 700
// wide) with the main card (progress ring, status pill, priority switch and the controls of the job's
// state; or, once finished, the result with the hand-over to Lightroom), the details rows, the footer,
// the save-error card and the errors card; above them, the offer to learn from photos exported from
// Lightroom. Its sheets (start, large corrections, learning) show in the main window's sheet host.
#include <QPointer>
#include <QScrollArea>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "app/options/options_binding.h"
#include "app/projects/preview_grid_model.h"
#include "app/projects/processing_model.h"

class QAbstractButton;
class QLabel;
class QToolButton;
class QVBoxLayout;
class QHBoxLayout;

namespace orvane::kit {
class KitLabel;
class KitButton;
class ProgressRing;
class StatusPill;
class PillBar;
class PathBar;
class SheetHost;
class Card;
class GlassFrame;
}  // namespace orvane::kit

namespace orvane::projects {

class PriorityToggle;

// The learn-from-project sheet: the application model, the project, the catalog it was corrected in
// (none: the sheet finds or asks for it), the photos to learn from (none: all), what to call with the
// count once learning completes, and how the sheet closes.
using LearnSheetFactory = std::function<QWidget*(
    model::AppModel& app, const Project& project, std::optional<std::filesystem::path> catalog,
    std::optional<std::set<std::string>> paths, std::function<void(int)> completion, std::function<void()> close)>;

struct ProcessingViewServices {
    ProcessingServices processing = ProcessingServices::standard();
    PreviewServices previews = PreviewServices::standard();
    // Empty: a plain sheet that starts the model's learning from the project.
    LearnSheetFactory learnSheet;
};

// A small indeterminate progress mark: a quarter arc that turns while animations are on.
class SmallSpinner final : public QWidget {
    Q_OBJECT
public:
    explicit SmallSpinner(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {18, 18}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int angle_ = 0;
    int timer_ = 0;
};

class ProcessingView final : public QScrollArea {
    Q_OBJECT
public:
    ProcessingView(model::AppModel& app, model::Router& router, std::shared_ptr<Job> job,
                   ProcessingViewServices services = {}, QWidget* parent = nullptr);
    ~ProcessingView() override;

    ProcessingModel& model() { return model_; }
    // The visible control with that object name ("start", "resume", "pause", "cancel", "dequeue",
    // "reedit", "retryFailed", "retrySave", "export", "learn", "bigHint", "bannerLater", "bannerLearn",
    // "openFolder", "profileMenu"), or null.
    QAbstractButton* control(const QString& name) const;
    QString pillText() const;
    QString estimateText() const;
    QString exportMessageText() const;
    QWidget* sheet(ProcessingModel::Sheet which) const { return sheets_[int(which)]; }
    QWidget* contentColumn() const { return column_; }
    bool showsBanner() const;
    // Draws everything from the model now (normally once per turn of the event loop).
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void scheduleRefresh();
    void buildProgress(QVBoxLayout* card);
    void buildResult(QVBoxLayout* card);
    void buildDetails(QVBoxLayout* card);
    void buildFooters(QVBoxLayout* card);
    void refreshActions();
    void refreshProfile();
    void refreshErrors();
    void refreshBanner();
    void refreshExtra();
    void syncSheets();
    QWidget* makeSheet(ProcessingModel::Sheet which);
    kit::SheetHost* sheetHost();

    ProcessingModel model_;
    ProcessingViewServices services_;
    options::OptionsBinding binding_;
    bool appeared_ = false;
    bool refreshPending_ = false;

    QWidget* column_ = nullptr;
    // banner
    kit::GlassFrame* banner_ = nullptr;
    kit::KitLabel* bannerText_ = nullptr;
    kit::KitButton* bannerLearn_ = nullptr;
    // progress block
    QWidget* progress_ = nullptr;
    kit::ProgressRing* ring_ = nullptr;
    QHBoxLayout* pillRow_ = nullptr;
    kit::StatusPill* pill_ = nullptr;
    PillSpec pillSpec_;
    PriorityToggle* toggle_ = nullptr;
    QWidget* actionsHost_ = nullptr;
    std::optional<ActionRow> actionSpec_;
    QWidget* progressMessage_ = nullptr;
    kit::KitLabel* progressMessageText_ = nullptr;
    // result block
    QWidget* result_ = nullptr;
    QWidget* badge_ = nullptr;
    kit::KitLabel* elapsed_ = nullptr;
    kit::KitLabel* subtitle_ = nullptr;
    kit::KitButton* export_ = nullptr;
    QWidget* extraBlock_ = nullptr;
    QWidget* extraBarRow_ = nullptr;
    kit::PillBar* extraBar_ = nullptr;
    kit::KitLabel* extraPercent_ = nullptr;
    kit::KitLabel* extraText_ = nullptr;
    QWidget* resultMessage_ = nullptr;
    kit::KitLabel* resultMessageText_ = nullptr;
    QAbstractButton* resultReedit_ = nullptr;
    // details
    kit::PathBar* pathBar_ = nullptr;
    QHBoxLayout* profileRow_ = nullptr;
    QWidget* profileValue_ = nullptr;
    QString profileKey_;
    kit::KitLabel* timeLabel_ = nullptr;
    kit::KitLabel* timeValue_ = nullptr;
    // footers
    QWidget* progressFooter_ = nullptr;
    QWidget* resultFooter_ = nullptr;
    QAbstractButton* bigHint_ = nullptr;
    kit::KitButton* learn_ = nullptr;
    // cards
    kit::Card* saveCard_ = nullptr;
    kit::KitLabel* saveText_ = nullptr;
    kit::Card* errorsCard_ = nullptr;
    std::optional<std::pair<bool, std::vector<ProcessingModel::FailedRow>>> errorsSpec_;

    QPointer<kit::SheetHost> host_;
    QPointer<QWidget> sheets_[4];
};

}  // namespace orvane::projects
