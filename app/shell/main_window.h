#pragma once
// The one main window: title "Vendrel", 1247 × 837 at first, never smaller than 1040 × 640, with the
// commands "Arată fereastra principală" (Ctrl+0) and quit (Ctrl+Q). Closing it hides it while a later
// launch can bring it back; otherwise closing it quits, so the running instance is never unreachable.
#include <QAction>
#include <QRect>
#include <QWidget>

#include <functional>

#include "app/model/app_model.h"
#include "app/model/router.h"

namespace orvane::shell {

class ContentView;
class QuitController;

class MainWindow final : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize defaultSize{1247, 837};
    static constexpr QSize minimumContentSize{1040, 640};
    static constexpr const char* sizedKey = "window.sizedV1";
    static constexpr const char* showCommandTitle = "Arată fereastra principală";

    // `canReopen` tells whether a later launch could reach this process again.
    MainWindow(model::AppModel& model, model::Router& router, QuitController& quit, std::function<bool()> canReopen,
               QWidget* parent = nullptr);

    // The first launch's frame on a screen whose available area is `available`: at most the default
    // size, centred.
    static QRect startingFrame(const QRect& available);
    // Sizes the window: the starting frame once per settings domain, the default size afterwards.
    void placeOnScreen();

    // Shows, restores and raises the window.
    void showMainWindow();
    // After launch: shows the window when nothing made it visible.
    void scheduleLaunchCheck();

    ContentView* content() const { return content_; }
    QAction* showAction() const { return showAction_; }
    QAction* quitAction() const { return quitAction_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    model::AppModel& model_;
    QuitController& quit_;
    std::function<bool()> canReopen_;
    ContentView* content_;
    QAction* showAction_;
    QAction* quitAction_;
};

// The delivery's questions as centred alerts over `window`, asked through the dialog service.
// "Anulează" comes first, so Return and Escape decline: a lock that looks stale may belong to
// Lightroom open on another machine.
model::AppModel::AlertPresenter deliveryQuestions(QWidget* window);

}  // namespace orvane::shell
