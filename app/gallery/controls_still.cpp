#include "app/gallery/controls_still.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QToolTip>
#include <QVBoxLayout>

#include <memory>

#include "app/kit/app_backdrop.h"
#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/centered_alert.h"
#include "app/kit/fonts.h"
#include "app/kit/kit_settings.h"
#include "app/kit/motion.h"
#include "app/kit/palette.h"
#include "core/base/defaults.h"

namespace orvane::gallery {

using namespace orvane::kit;

namespace {

constexpr QSize stillSize{1180, 560};

// A top-level window as it shows: laid out, polished and painted, then grabbed.
QImage shot(QWidget* window) {
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->show();
    QApplication::processEvents();
    QImage image = window->grab().toImage();
    window->hide();
    return image;
}

// A window's soft shadow and its picture, at `at` on the canvas.
void place(QPainter& p, const QImage& window, QPoint at, double radius) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 6; i >= 1; --i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 10));
        p.drawRoundedRect(QRectF(at, window.size() / window.devicePixelRatio()).adjusted(-i, -i + 3, i, i + 3),
                          radius + i, radius + i);
    }
    p.drawImage(at, window);
    p.restore();
}

void caption(QPainter& p, QPoint at, const QString& text, bool dark) {
    p.setPen(mutedColor.resolve(dark));
    p.setFont(uiFont(11, QFont::DemiBold));
    p.drawText(at, text.toUpper());
}

}  // namespace

QImage renderApplicationControls(bool dark) {
    auto store = std::make_shared<FileDefaults>();
    setUserDefaults(store);
    KitSettings::instance().rebind(store);
    Appearance::instance().setOverride(dark);
    setAnimationsEnabled(false);
    installUiFont();
    installApplicationStyle();

    // The window behind: the backdrop with a text field holding a selection and a scrolled text area.
    AppBackdrop root;
    root.setAttribute(Qt::WA_DontShowOnScreen);
    root.resize(stillSize);
    auto* field = new QLineEdit(QString::fromUtf8("Nuntă Ana și Mihai, Sibiu"), &root);
    field->setGeometry(40, 70, 300, 30);
    auto* area = new QPlainTextEdit(&root);
    QString lines;
    for (int i = 1; i <= 40; ++i) lines += QString::fromUtf8("IMG_%1.CR3 — expunere +0,35, 5400 K\n").arg(1000 + i);
    area->setPlainText(lines);
    area->setGeometry(40, 170, 300, 200);
    area->verticalScrollBar()->setValue(12);
    root.show();
    root.activateWindow();
    field->setFocus();
    field->setSelection(6, 12);  // "Ana și Mihai"
    QApplication::processEvents();
    root.renderNow();
    QImage canvas = root.grab().toImage().convertToFormat(QImage::Format_RGB32);

    // The popups, each a window of its own.
    CenteredAlert alert(QString::fromUtf8("Închid Lightroom?"),
                        QString::fromUtf8("Pentru a scrie în catalog, Lightroom trebuie să fie închis. Se închide "
                                          "acum și se redeschide singur la final; din catalog se face înainte o "
                                          "copie de siguranță."));
    alert.addChoice(QString::fromUtf8("Anulează"));
    alert.addChoice(QString::fromUtf8("Închide și scrie"));
    const QImage alertShot = shot(&alert);

    QMenu menu;
    menu.addAction(QString::fromUtf8("Deschide proiectul"));
    QAction* active = menu.addAction(QString::fromUtf8("Redenumește…"));
    menu.addAction(QString::fromUtf8("Arată în dosar"));
    menu.addSeparator();
    menu.addAction(QString::fromUtf8("Șterge"))->setEnabled(false);
    menu.setActiveAction(active);
    const QImage menuShot = shot(&menu);

    QToolTip::showText(QPoint(0, 0), QString::fromUtf8("Închide"));
    QApplication::processEvents();
    QImage tipShot;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->inherits("QTipLabel") && w->isVisible()) tipShot = w->grab().toImage();
    QToolTip::hideText();

    QPainter p(&canvas);
    p.setRenderHint(QPainter::TextAntialiasing);
    caption(p, {40, 56}, QString::fromUtf8("Câmp de text cu selecție"), dark);
    caption(p, {40, 156}, QString::fromUtf8("Text derulat"), dark);
    caption(p, {400, 56}, QString::fromUtf8("Alertă"), dark);
    place(p, alertShot, {400, 70}, 0);
    caption(p, {900, 56}, QString::fromUtf8("Meniu"), dark);
    place(p, menuShot, {900, 70}, 0);
    caption(p, {900, 316}, QString::fromUtf8("Indiciu"), dark);
    if (!tipShot.isNull()) place(p, tipShot, {900, 330}, 0);
    p.end();
    return canvas;
}

}  // namespace orvane::gallery
