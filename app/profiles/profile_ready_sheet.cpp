#include "app/profiles/profile_ready_sheet.h"

#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/icons.h"
#include "app/kit/localization.h"
#include "app/kit/text.h"
#include "app/profiles/profile_detail_parts.h"

namespace orvane::profiles {

namespace {
// A white check mark on a success-coloured circle, 92 across.
class ReadyMark final : public QWidget {
public:
    ReadyMark() { setFixedSize(92, 92); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool dark = kit::Appearance::instance().isDark();
        p.setPen(Qt::NoPen);
        p.setBrush(kit::okColor.resolve(dark));
        p.drawEllipse(rect());
        const QRectF glyph(rect().center().x() - 19 + 0.5, rect().center().y() - 19 + 0.5, 38, 38);
        kit::icons::paint(p, QStringLiteral("checkmark"), glyph, Qt::white);
    }
};
}  // namespace

ProfileReadySheet::ProfileReadySheet(const Profile& profile, std::function<void()> start, std::function<void()> dismiss,
                                     QWidget* parent)
    : kit::GlassSheet(false, parent), startAction_(std::move(start)), dismiss_(std::move(dismiss)) {
    setProperty("sheetTitle", QString::fromUtf8("Profilul este gata"));
    setFixedWidth(sheetWidth);
    setFocusPolicy(Qt::StrongFocus);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(16);
    column->setSizeConstraint(QLayout::SetFixedSize);

    column->addSpacing(12);
    column->addWidget(new ReadyMark, 0, Qt::AlignHCenter);

    auto* titles = new QVBoxLayout;
    titles->setSpacing(6);
    auto* title = new kit::KitLabel(QString::fromUtf8("Profilul este gata"), kit::trackedFont(26, QFont::Bold, -0.5));
    title->setLocalized(true);
    title->setObjectName("sheetTitle");
    titles->addWidget(title, 0, Qt::AlignHCenter);
    subtitle_ = wrappingLabel(subtitle(profile), kit::mutedColor, true, 15);
    subtitle_->setLocalized(false);
    subtitle_->setObjectName("subtitle");
    subtitle_->setFixedWidth(sheetWidth - 48);
    titles->addWidget(subtitle_, 0, Qt::AlignHCenter);
    column->addLayout(titles);

    auto* body = wrappingLabel(QString::fromUtf8("Acum poți edita un proiect: alegi catalogul sau folderul cu fotografii, "
                                                 "iar aplicația le editează în stilul tău."),
                               kit::mutedColor, true, 12);
    body->setFixedWidth(400);
    column->addWidget(body, 0, Qt::AlignHCenter);

    start_ = new kit::KitButton(QString::fromUtf8("Începe să editezi"), kit::ButtonLook::hero);
    start_->setObjectName("startEditing");
    start_->setFont(kit::uiFont(17, QFont::DemiBold));
    column->addWidget(start_, 0, Qt::AlignHCenter);
    later_ = new kit::KitButton(QString::fromUtf8("Mai târziu"), kit::ButtonLook::outline);
    later_->setObjectName("later");
    later_->setProperty("controlSize", "small");
    column->addWidget(later_, 0, Qt::AlignHCenter);

    connect(start_, &QAbstractButton::clicked, this, &ProfileReadySheet::startEditing);
    connect(later_, &QAbstractButton::clicked, this, &ProfileReadySheet::later);
    setFocus();
}

QString ProfileReadySheet::subtitle(const Profile& profile) {
    const QString name = QString::fromUtf8("„") + QString::fromStdString(profile.name);
    if (profile.isInstant())
        return name + kit::localized("” e pregătit: presetul tău, cu corecția automată de expunere și culoare.");
    return name + kit::localized("” a învățat stilul tău din ") + QString::number(profile.samples) +
           kit::localized(" de fotografii.");
}

void ProfileReadySheet::startEditing() {
    // The start action may delete this sheet's presenter state: take it first.
    auto start = startAction_;
    if (dismiss_) dismiss_();
    if (start) start();
}

void ProfileReadySheet::later() {
    if (dismiss_) dismiss_();
}

void ProfileReadySheet::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: startEditing(); return;
        case Qt::Key_Escape: later(); return;
        default: kit::GlassSheet::keyPressEvent(event);
    }
}

}  // namespace orvane::profiles
