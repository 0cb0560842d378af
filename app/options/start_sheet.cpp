#include "app/options/start_sheet.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/fonts.h"
#include "app/kit/palette.h"
#include "app/kit/sheet_host.h"

namespace orvane::options {

namespace {
QLabel* label(const QString& text, QFont font, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setFont(font);
    l->setWordWrap(true);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}
}  // namespace

StartSheet::StartSheet(OptionsBinding& binding, std::shared_ptr<Job> job, Start start, std::function<void()> close,
                       QWidget* parent)
    : kit::GlassSheet(false, parent),
      model_(binding, std::move(job), this),
      levels_(binding, true, this),
      start_(std::move(start)),
      close_(std::move(close)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(16);

    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(1);
    titles->addWidget(label(QStringLiteral("Pornește editarea"), kit::uiFont(22, QFont::Bold), this));
    subtitle_ = label(model_.subtitle(), kit::uiFont(13), this);
    kit::setMutedText(subtitle_);
    titles->addWidget(subtitle_);
    header->addLayout(titles, 1);
    header->addSpacing(36);  // room for the close button
    column->addLayout(header);

    column->addWidget(label(QStringLiteral("Editarea pornește cu setările profilului. Mai jos poți adăuga sau opri "
                                           "funcții."),
                            kit::uiFont(12), this));

    column->addWidget(label(QStringLiteral("Cât de mult să facem automat?"), kit::uiFont(13, QFont::DemiBold), this));
    auto* pills = new QHBoxLayout;
    pills->setSpacing(6);
    for (Level l : {Level::none, Level::recommended, Level::complete, Level::custom}) {
        Pill pill{l, new kit::KitButton(OptionLevelsModel::levelTitle(l), kit::ButtonLook::outline, this),
                  new kit::KitButton(OptionLevelsModel::levelTitle(l), kit::ButtonLook::accent, this)};
        for (auto* b : {pill.plain, pill.chosen}) {
            connect(b, &QAbstractButton::clicked, this, [this, l] { levels_.setLevel(l); });
            pills->addWidget(b);
        }
        pills_.push_back(pill);
    }
    pills->addStretch(1);
    column->addLayout(pills);

    auto* summaryRow = new QHBoxLayout;
    summary_ = label(QString(), kit::uiFont(12), this);
    kit::setMutedText(summary_);
    summaryRow->addWidget(summary_, 1);
    summaryRow->addSpacing(12);
    auto* link = new QPushButton(QStringLiteral("Personalizează"), this);
    link->setFlat(true);
    link->setFont(kit::uiFont(13, QFont::Medium));
    link->setCursor(Qt::PointingHandCursor);
    connect(link, &QPushButton::clicked, this, [this] { levels_.toggleCustomize(); });
    customize_ = link;
    summaryRow->addWidget(link, 0, Qt::AlignTop);
    column->addLayout(summaryRow);
    column->addStretch(1);

    auto* footer = new QHBoxLayout;
    footer->addStretch(1);
    cancelButton_ = new kit::KitButton(QStringLiteral("Anulează"), kit::ButtonLook::outline, this);
    startButton_ = new kit::KitButton(QStringLiteral("Pornește editarea"), kit::ButtonLook::accent, this);
    footer->addWidget(cancelButton_);
    footer->addWidget(startButton_);
    column->addLayout(footer);
    connect(cancelButton_, &QAbstractButton::clicked, this, [this] {
        if (close_) close_();
    });
    connect(startButton_, &QAbstractButton::clicked, this, &StartSheet::startEditing);

    auto* closeButton = kit::SheetCloseButton::overlay(this);
    connect(closeButton, &kit::SheetCloseButton::clicked, this, [this] {
        if (close_) close_();
    });

    connect(&levels_, &OptionLevelsModel::changed, this, &StartSheet::refresh);
    connect(&model_, &StartSheetModel::subtitleChanged, this, [this] { subtitle_->setText(model_.subtitle()); });
    connect(&kit::Appearance::instance(), &kit::Appearance::changed, this, &StartSheet::refresh);
    setFixedWidth(startSheetWidth);
    fitToApplication();
    refresh();
}

void StartSheet::fitTo(const std::vector<WindowInfo>& windows, std::optional<int> screenHeight) {
    setFixedSize(startSheetWidth, startSheetHeight(sheetMaxHeight(windows, screenHeight)));
}

void StartSheet::fitToApplication() {
    std::vector<WindowInfo> windows;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == window()) continue;
        const bool mainLike = w->windowType() == Qt::Window;
        windows.push_back({w->isVisible(), w->windowType() == Qt::Sheet || w->parentWidget() != nullptr, mainLike,
                           w->height()});
    }
    std::optional<int> screen;
    if (const QScreen* s = QGuiApplication::primaryScreen()) screen = s->availableGeometry().height();
    fitTo(windows, screen);
}

QAbstractButton* StartSheet::levelButton(Level level) const {
    for (const auto& p : pills_) {
        if (p.level != level) continue;
        if (!p.plain->isHidden()) return p.plain;
        if (!p.chosen->isHidden()) return p.chosen;
    }
    return nullptr;
}

QString StartSheet::summaryText() const { return summary_->text(); }

void StartSheet::refresh() {
    const bool dark = kit::Appearance::instance().isDark();
    const Level current = levels_.level();
    for (const auto& p : pills_) {
        const bool shown = p.level != Level::custom || current == Level::custom;
        p.plain->setVisible(shown && p.level != current);
        p.chosen->setVisible(shown && p.level == current);
    }
    summary_->setText(levels_.summary());
    QPalette lp = customize_->palette();
    lp.setColor(QPalette::ButtonText, kit::accentColor().resolve(dark));
    customize_->setPalette(lp);
    customize_->setText(levels_.customize() ? QStringLiteral("Personalizează ▾") : QStringLiteral("Personalizează ›"));
}

void StartSheet::startEditing() {
    // The sheet may be deleted by `close`; everything needed afterwards is copied first.
    QPointer<StartSheet> self(this);
    auto start = start_;
    model_.startEditing(close_, [start](const std::shared_ptr<Job>& job) {
        if (start) start(job);
    });
    Q_UNUSED(self);
}

void StartSheet::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (close_) close_();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        startEditing();
        return;
    }
    kit::GlassSheet::keyPressEvent(event);
}

}  // namespace orvane::options
