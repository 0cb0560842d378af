#pragma once
// Test support shared by the sheets' tests: background work held in a queue until the test runs it,
// in the order it chooses, and a drag and drop of files and a context menu sent as real events.
#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QMenu>
#include <QTimer>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <cstddef>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

namespace orvane::testing {

struct QueuedWork {
    std::vector<std::function<void()>> work;

    // Runs the queued work at `index` (the oldest by default) and delivers what it posted.
    void finish(std::size_t index = 0) {
        auto w = std::move(work.at(index));
        work.erase(work.begin() + std::ptrdiff_t(index));
        w();
        QCoreApplication::sendPostedEvents();
    }
    void finishAll() {
        while (!work.empty()) finish();
    }
};

// The children of `root` named `name` that show with it: redrawn parts leave their old widgets
// hidden until they are deleted, and a step not shown keeps its own.
template <class W = QWidget>
QList<W*> shownChildren(const QWidget* root, const char* name) {
    QList<W*> out;
    if (!root) return out;
    for (W* w : root->findChildren<W*>(name))
        if (w->isVisibleTo(root)) out << w;
    return out;
}
template <class W = QWidget>
W* shownChild(const QWidget* root, const char* name) {
    const QList<W*> shown = shownChildren<W>(root, name);
    return shown.isEmpty() ? nullptr : shown.first();
}

// Drags `paths` over the middle of `target` and drops them there; true when the drop was taken.
inline bool dropFiles(QWidget* target, const QStringList& paths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    mime.setUrls(urls);
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    QCoreApplication::sendPostedEvents();
    return drop.isAccepted() && drop.dropAction() != Qt::IgnoreAction;
}

// Opens the context menu of `w` as a right click does and hands the menu to `use` while it is up.
inline void withMenu(QWidget* w, const std::function<void(QMenu&)>& use) {
    bool used = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        use(*menu);
        used = true;
        if (menu->isVisible()) menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 10), w->mapToGlobal(QPoint(20, 10)));
    QCoreApplication::sendEvent(w, &event);
    EXPECT_TRUE(used);
}

}  // namespace orvane::testing
