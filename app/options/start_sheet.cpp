#include "app/options/start_sheet.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScreen>
#include <QVBoxLayout>

#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/cards.h"
#include "app/kit/fonts.h"
#include "app/kit/icons.h"
#include "app/kit/localization.h"
#include "app/kit/palette.h"
#include "app/kit/pill_picker.h"
#include "app/kit/sheet_host.h"
#include "app/options/extra_options_panel.h"

namespace orvane::options {

namespace {
QLabel* label(const QString& text, QFont font, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setFont(font);
    l->setWordWrap(true);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

// "Personalizează" and a chevron in the accent colour; the chevron points down while the panel shows.
class CustomizeLink final : public QAbstractButton {
public:
    explicit CustomizeLink(QWidget* parent) : QAbstractButton(parent) {
        setText(QStringLiteral("Personalizează"));
        setFont(kit::uiFont(13, QFont::Medium));
        setCursor(Qt::PointingHandCursor);
    }
    void setOpen(bool open) {
        open_ = open;
        update();
    }
    QSize sizeHint() const override {
        const QFontMetrics fm(font());
        return {fm.horizontalAdvance(kit::localized(text())) + 3 + 10 + 2, fm.height() + 2};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor ink = kit::accentColor().resolve(kit::Appearance::instance().isDark());
        const QString shown = kit::localized(text());
        const double w = QFontMetricsF(font()).horizontalAdvance(shown);
        p.setPen(ink);
        p.drawText(QRectF(0, 0, w + 1, height()), Qt::AlignVCenter | Qt::AlignLeft, shown);
        p.translate(w + 3 + 5, height() / 2.0);
        if (open_) p.rotate(90);
        kit::icons::paint(p, QStringLiteral("chevron.right"), QRectF(-5, -5, 10, 10), ink);
    }

private:
    bool open_ = false;
};
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
    header->addWidget(new kit::IconTile(QStringLiteral("wand.and.stars"), 44, true, this), 0, Qt::AlignVCenter);
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
    pills_ = new QHBoxLayout;
    pills_->setContentsMargins(0, 0, 0, 0);
    column->addLayout(pills_);

    auto* summaryRow = new QHBoxLayout;
    summary_ = label(QString(), kit::uiFont(12), this);
    kit::setMutedText(summary_);
    summaryRow->addWidget(summary_, 1);
    summaryRow->addSpacing(12);
    auto* link = new CustomizeLink(this);
    link->setObjectName("customize");
    connect(link, &QAbstractButton::clicked, this, [this] { levels_.toggleCustomize(); });
    customize_ = link;
    summaryRow->addWidget(link, 0, Qt::AlignTop);
    column->addLayout(summaryRow);

    // The extra options, while "Personalizează" is open: the panel in a scroll area of its own.
    panel_ = new ExtraOptionsPanel(binding, false, false, false);
    panelScroll_ = kit::clearScrollArea(panel_, true);
    panelScroll_->setObjectName("extraOptions");
    panelScroll_->hide();
    column->addWidget(panelScroll_, 1);
    filler_ = new QWidget(this);
    column->addWidget(filler_, 1);

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

std::optional<QPoint> StartSheet::levelPoint(Level level) const {
    const auto& items = picker_->items();
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].value.toInt() == int(level)) return picker_->pillRect(int(i)).center().toPoint();
    return std::nullopt;
}

QString StartSheet::summaryText() const { return summary_->text(); }

void StartSheet::refresh() {
    const Level current = levels_.level();
    // The pills: "Personalizat" joins them only while the options make no fixed level.
    std::vector<kit::PillItem> items;
    for (const LevelPill& pill : levels_.pills()) items.push_back({int(pill.level), pill.title, std::nullopt});
    if (!picker_ || picker_->items().size() != items.size()) {
        delete picker_;
        picker_ = new kit::PillPicker(items, int(current), this);
        picker_->setObjectName("levels");
        connect(picker_, &kit::PillPicker::selectionWritten, this,
                [this](const QVariant& value) { levels_.setLevel(Level(value.toInt())); });
        pills_->addWidget(picker_, 1);
    } else {
        picker_->setSelection(int(current), true);
    }
    summary_->setText(levels_.summary());
    static_cast<CustomizeLink*>(customize_)->setOpen(levels_.customize());
    panelScroll_->setVisible(levels_.customize());
    filler_->setVisible(!levels_.customize());
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
