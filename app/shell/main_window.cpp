#include "app/shell/main_window.h"

#include <QCloseEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "app/kit/centered_alert.h"
#include "app/kit/dialogs.h"
#include "app/kit/palette.h"
#include "app/shell/content_view.h"
#include "app/shell/quit_controller.h"

namespace orvane::shell {

MainWindow::MainWindow(model::AppModel& model, model::Router& router, QuitController& quit,
                       std::function<bool()> canReopen, QWidget* parent)
    : QWidget(parent), model_(model), quit_(quit), canReopen_(std::move(canReopen)) {
    setWindowTitle(QStringLiteral("Vendrel"));
    setMinimumSize(minimumContentSize);
    resize(defaultSize);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    content_ = new ContentView(model, router, this);
    layout->addWidget(content_);

    showAction_ = new QAction(QString::fromUtf8(showCommandTitle), this);
    showAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    showAction_->setShortcutContext(Qt::ApplicationShortcut);
    connect(showAction_, &QAction::triggered, this, &MainWindow::showMainWindow);
    addAction(showAction_);
    quitAction_ = new QAction(QString::fromUtf8("Ieși"), this);
    quitAction_->setShortcut(QKeySequence::Quit);
    quitAction_->setShortcutContext(Qt::ApplicationShortcut);
    connect(quitAction_, &QAction::triggered, &quit_, &QuitController::requestQuit);
    addAction(quitAction_);
}

QRect MainWindow::startingFrame(const QRect& available) {
    const int w = std::min(available.width(), defaultSize.width());
    const int h = std::min(available.height(), defaultSize.height());
    return {available.x() + (available.width() - w) / 2, available.y() + (available.height() - h) / 2, w, h};
}

void MainWindow::placeOnScreen() {
    QScreen* screen = this->screen();
    if (!screen) return;  // the flag stays unset and the next launch tries again
    const QRect available = screen->availableGeometry();
    Defaults& defaults = model_.defaults();
    if (!defaults.boolValue(sizedKey).value_or(false)) {
        defaults.set(sizedKey, true);
        setGeometry(startingFrame(available));
    } else {
        resize(defaultSize.boundedTo(available.size()).expandedTo(minimumContentSize));
    }
}

void MainWindow::showMainWindow() {
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void MainWindow::scheduleLaunchCheck() {
    QPointer<MainWindow> self(this);
    QTimer::singleShot(800, this, [self] {
        if (self && !self->isVisible()) self->showMainWindow();
    });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (canReopen_ && canReopen_()) {
        // The application keeps running; a later launch (or Ctrl+0) brings the window back.
        event->accept();
        return;
    }
    event->ignore();
    quit_.requestQuit();
}

model::AppModel::AlertPresenter deliveryQuestions(QWidget* window) {
    QPointer<QWidget> over(window);
    return [over](const std::string& title, const std::string& message, const std::string& confirmTitle) {
        kit::CenteredAlert alert(QString::fromStdString(title), QString::fromStdString(message), over.data());
        alert.addChoice(QStringLiteral("Anulează"));
        alert.addChoice(QString::fromStdString(confirmTitle));
        return kit::dialogs().run(alert) == kit::CenteredAlert::firstButton + 1;
    };
}

}  // namespace orvane::shell
