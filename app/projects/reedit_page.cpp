#include "app/projects/reedit_page.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/cards.h"
#include "app/kit/fonts.h"
#include "app/kit/form.h"
#include "app/kit/glass.h"
#include "app/kit/icons.h"
#include "app/kit/localization.h"
#include "app/kit/page_header.h"
#include "app/kit/shapes.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/kit/tooltips.h"
#include "app/options/extra_options_panel.h"
#include "app/projects/global_adjustments_panel.h"
#include "app/projects/preview_grid.h"
#include "app/projects/processing_view.h"
#include "app/projects/step_button.h"
#include "app/projects/version_history_list.h"

namespace orvane::projects {

namespace {

bool isDark() { return kit::Appearance::instance().isDark(); }

kit::KitLabel* label(const QString& text, const QFont& font, kit::AdaptiveColor color = kit::primaryLabelColor,
                     bool localized = true) {
    auto* l = new kit::KitLabel(text, font);
    l->setLocalized(localized);
    l->setColor(color);
    return l;
}

// The header's "…" menu: the symbol on a 38-point surface circle with a faint border inside it.
class CircleMenuButton final : public QAbstractButton {
public:
    CircleMenuButton() {
        setFixedSize(38, 38);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (!isEnabled()) p.setOpacity(0.4);
        const QRectF r(rect());
        p.setPen(Qt::NoPen);
        p.setBrush(kit::raisedColor.resolve(isDark()));
        p.drawEllipse(r);
        kit::strokeInside(p, kit::KitShape::circle(), r, 1, kit::primaryLabelColor.opacity(0.08).resolve(isDark()));
        kit::icons::paint(p, QStringLiteral("ellipsis"), QRectF(11.5, 11.5, 15, 15),
                          kit::primaryLabelColor.resolve(isDark()));
    }
};

// The profile menu's label: the sliders symbol, the current profile's name and the up-down chevron on
// an accent capsule.
class ProfileMenuButton final : public QAbstractButton {
public:
    ProfileMenuButton() {
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        const QFontMetricsF fm(font14());
        return {int(std::ceil(14 + 12 + 8 + std::min(fm.horizontalAdvance(text()), 220.0) + 8 + 10 + 14)), 34};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (!isEnabled()) p.setOpacity(0.4);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        const kit::AdaptiveColor accent = kit::accentColor();
        p.fillPath(kit::KitShape::capsule().path(r), accent.opacity(0.1).resolve(isDark()));
        kit::strokeInside(p, kit::KitShape::capsule(), r, 0.8, accent.opacity(0.25).resolve(isDark()));
        double x = 14;
        const double cy = height() / 2.0;
        kit::icons::paint(p, QStringLiteral("slider.horizontal.3"), QRectF(x, cy - 6, 12, 12), accent.resolve(isDark()));
        x += 12 + 8;
        const double chevron = 10;
        const double textWidth = width() - x - 8 - chevron - 14;
        p.setFont(font14());
        p.setPen(kit::primaryLabelColor.resolve(isDark()));
        const QFontMetricsF fm(font14());
        p.drawText(QRectF(x, 0, textWidth, height()), Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(text(), Qt::ElideRight, textWidth));
        x += textWidth + 8;
        kit::icons::paint(p, QStringLiteral("chevron.up.chevron.down"), QRectF(x, cy - chevron / 2, chevron, chevron),
                          kit::mutedColor.resolve(isDark()));
    }

private:
    static QFont font14() { return kit::uiFont(14, QFont::DemiBold); }
};

// The pop-up window of the version history: the list on a raised panel below its button.
class HistoryPopover final : public QWidget {
public:
    HistoryPopover(QWidget* anchor, std::function<void()> closed) : QWidget(anchor, Qt::Popup | Qt::FramelessWindowHint),
                                                                    closed_(std::move(closed)) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(1, 1, 1, 1);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        // An opaque panel: pop-up windows are not composited everywhere.
        p.fillRect(rect(), kit::raisedColor.resolve(isDark()));
        p.setPen(kit::primaryLabelColor.opacity(0.15).resolve(isDark()));
        p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    void hideEvent(QHideEvent* event) override {
        QWidget::hideEvent(event);
        if (closed_) closed_();
    }

private:
    std::function<void()> closed_;
};

QIcon menuIcon(const QString& symbol) {
    return QIcon(kit::icons::pixmap(symbol, QSize(16, 16), kit::primaryLabelColor.resolve(isDark())));
}

// A row of views, `spacing` apart, with no margins.
QWidget* row(QBoxLayout*& layout, int spacing, QWidget* parent = nullptr) {
    auto* w = new QWidget(parent);
    layout = new QHBoxLayout(w);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return w;
}

}  // namespace

ReeditPage::ReeditPage(model::AppModel& app, model::Router& router, std::shared_ptr<Job> job,
                       ReeditPageServices services, QWidget* parent)
    : QWidget(parent), binding_(app.sharedDefaults()), previews_(std::move(services.previews)) {
    ReeditServices reedit = services.reedit ? std::move(*services.reedit) : ReeditServices::standard(app);
    model_ = std::make_unique<ReeditModel>(app, router, std::move(job), std::move(reedit));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // Header and its trailing controls.
    optionsMenu_ = new CircleMenuButton;
    optionsMenu_->setObjectName(QStringLiteral("optionsMenu"));
    kit::quickTip(optionsMenu_, QStringLiteral("Mai multe opțiuni"));
    connect(optionsMenu_, &QAbstractButton::clicked, this, [this] {
        auto menu = makeOptionsMenu();
        menu->exec(optionsMenu_->mapToGlobal(QPoint(0, optionsMenu_->height() + 4)));
    });
    profileMenu_ = new ProfileMenuButton;
    profileMenu_->setObjectName(QStringLiteral("profileMenu"));
    kit::quickTip(profileMenu_, QStringLiteral("Reeditează aceleași fotografii cu alt profil"));
    connect(profileMenu_, &QAbstractButton::clicked, this, [this] {
        auto menu = makeProfileMenu();
        menu->exec(profileMenu_->mapToGlobal(QPoint(0, profileMenu_->height() + 4)));
    });
    history_ = new kit::KitButton(QStringLiteral("Istoric"), kit::ButtonLook::outline);
    history_->setSymbol(QStringLiteral("clock.arrow.circlepath"));
    history_->setObjectName(QStringLiteral("history"));
    connect(history_, &QAbstractButton::clicked, this, [this] { model_->setHistoryOpen(true); });
    header_ = new kit::PageHeader(QStringLiteral("Reeditează proiectul"), model_->subtitle(),
                                  kit::BackLink{kit::localized("Proiect"), [this] { model_->leave(); }}, nullptr,
                                  {optionsMenu_, profileMenu_, history_});
    if (header_->backButton()) header_->backButton()->setObjectName(QStringLiteral("back"));
    outer->addWidget(header_);

    // The scroll column.
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    auto* canvas = new QWidget;
    canvas->setAutoFillBackground(false);
    auto* centre = new QHBoxLayout(canvas);
    centre->setContentsMargins(0, 0, 0, 0);
    auto* column = new QWidget;
    column->setMaximumWidth(1180);
    auto* content = new QVBoxLayout(column);
    content->setContentsMargins(24, 24, 24, 24);
    content->setSpacing(16);
    centre->addWidget(column, 1, Qt::AlignTop | Qt::AlignHCenter);

    QBoxLayout* noteRow = nullptr;
    QWidget* noteLine = row(noteRow, 12);
    auto* note = label(QStringLiteral("Previzualizare orientativă: arată cât de luminoasă și de caldă iese fotografia, "
                                      "fără culorile și stilul din presetul tău."),
                       kit::uiFont(kit::TextStyle::caption), kit::mutedColor);
    note->setMaxLines(0);
    noteRow->addWidget(note, 1, Qt::AlignTop);
    auto* originalText = label(QStringLiteral("Arată originalul"), kit::uiFont(kit::TextStyle::body));
    noteRow->addWidget(originalText, 0, Qt::AlignTop);
    auto* originalSwitch = new options::OptionSwitch;
    originalSwitch->setObjectName(QStringLiteral("original"));
    original_ = originalSwitch;
    connect(original_, &QAbstractButton::toggled, this, [this](bool on) { model_->setShowOriginal(on); });
    noteRow->addWidget(original_, 0, Qt::AlignTop);
    content->addWidget(noteLine);

    QBoxLayout* cardsRow = nullptr;
    QWidget* cards = row(cardsRow, 16);
    cardsRow->addWidget(buildCard(true), 1, Qt::AlignTop);
    cardsRow->addWidget(buildCard(false), 1, Qt::AlignTop);
    content->addWidget(cards);
    content->addWidget(buildMoreSettings());
    content->addStretch(1);
    scroll->setWidget(canvas);
    canvas->setAutoFillBackground(false);  // setWidget turned it on
    outer->addWidget(scroll, 1);
    outer->addWidget(new HairlineDivider);
    outer->addWidget(buildBottomBar());

    // Return applies (or closes the result), Escape cancels; each only while its button is usable.
    auto* enter = new QShortcut(QKeySequence(Qt::Key_Return), this);
    enter->setContext(Qt::WidgetWithChildrenShortcut);
    connect(enter, &QShortcut::activated, this, [this] {
        if (done_->isVisible()) model_->finish();
        else if (apply_->isEnabled()) model_->startApply();
    });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        if (cancel_->isVisible() && cancel_->isEnabled()) model_->cancel();
    });

    connect(model_.get(), &ReeditModel::changed, this, &ReeditPage::scheduleRefresh);
    connect(model_.get(), &ReeditModel::panelReload, this, &ReeditPage::rebuildPanel);
    connect(model_.get(), &ReeditModel::historyOpenChanged, this, &ReeditPage::syncHistoryPopover);
    connect(&model_->adapter(), &JobAdapter::extraStatusChanged, this, &ReeditPage::scheduleRefresh);
    rebuildPanel();
    refresh();
}

ReeditPage::~ReeditPage() {
    // The popover first, while the model it reports to is there; then the model, whose leaving rule
    // may put the opening settings back while the page's views still listen.
    delete popover_;
    model_.reset();
}

QWidget* ReeditPage::buildCard(bool brightness) {
    auto* card = new kit::Card(brightness ? QStringLiteral("Luminozitate") : QStringLiteral("Culoare"),
                               brightness ? QStringLiteral("sun.max") : QStringLiteral("thermometer.medium"));
    const int index = brightness ? 0 : 1;
    auto* grid = new PreviewGrid(model_->job(), std::nullopt, false, 130, model_->app().sharedMainExecutor(), previews_);
    grids_[index] = grid;
    card->addContent(grid);

    auto* bar = new StepGroup;
    bar->setSpacing(6);
    const kit::AdaptiveColor tint = kit::accentColor();
    auto* left = new StepHalf(brightness ? QStringLiteral("Mai întunecat") : QStringLiteral("Mai rece"),
                              brightness ? QStringLiteral("sun.min") : QStringLiteral("snowflake"), tint, true);
    auto* right = new StepHalf(brightness ? QStringLiteral("Mai luminos") : QStringLiteral("Mai cald"),
                               brightness ? QStringLiteral("sun.max.fill") : QStringLiteral("flame.fill"), tint, true);
    left->setObjectName(brightness ? QStringLiteral("darker") : QStringLiteral("colder"));
    right->setObjectName(brightness ? QStringLiteral("brighter") : QStringLiteral("warmer"));
    steps_[index * 2] = left;
    steps_[index * 2 + 1] = right;
    if (brightness) {
        connect(left, &QAbstractButton::clicked, this, [this] { model_->stepBrightness(-ReeditModel::brightnessStep); });
        connect(right, &QAbstractButton::clicked, this, [this] { model_->stepBrightness(ReeditModel::brightnessStep); });
    } else {
        connect(left, &QAbstractButton::clicked, this, [this] { model_->stepWarmth(-ReeditModel::warmthStep); });
        connect(right, &QAbstractButton::clicked, this, [this] { model_->stepWarmth(ReeditModel::warmthStep); });
    }
    auto* value = label(QString(), kit::uiFont(13, QFont::DemiBold), kit::primaryLabelColor, false);
    value->setAlignment(Qt::AlignCenter);
    value->setMinimumWidth(86);
    values_[index] = value;
    bar->add(left);
    bar->addView(value);
    bar->add(right);
    auto* barRow = new QWidget;
    auto* barLayout = new QHBoxLayout(barRow);
    barLayout->setContentsMargins(0, 0, 0, 0);
    barLayout->addStretch(1);
    barLayout->addWidget(bar);
    barLayout->addStretch(1);
    card->addContent(barRow);
    auto* hint = label(QStringLiteral("Apasă butoanele pentru a vedea schimbările în timp real"),
                       kit::uiFont(kit::TextStyle::caption), kit::mutedColor);
    hint->setAlignment(Qt::AlignCenter);
    card->addContent(hint);
    return card;
}

QWidget* ReeditPage::buildMoreSettings() {
    more_ = new kit::ToolGroup(QStringLiteral("Mai multe setări"), QStringLiteral("slider.horizontal.3"), false);
    auto* columns = new QWidget;
    auto* row = new QHBoxLayout(columns);
    row->setContentsMargins(0, 12, 0, 0);
    row->setSpacing(16);
    auto* left = new QWidget;
    auto* leftColumn = new QVBoxLayout(left);
    leftColumn->setContentsMargins(0, 0, 0, 0);
    leftColumn->setSpacing(8);
    auto* heading = label(QStringLiteral("Ajustări fine"), kit::trackedFont(18, QFont::Bold, -0.3));
    heading->setContentsMargins(4, 0, 4, 2);
    leftColumn->addWidget(heading);
    panelSlot_ = new QWidget;
    panelSlot_->setObjectName(QStringLiteral("adjustmentsPanelSlot"));
    auto* slotLayout = new QVBoxLayout(panelSlot_);
    slotLayout->setContentsMargins(0, 0, 0, 0);
    leftColumn->addWidget(panelSlot_);
    leftColumn->addStretch(1);
    row->addWidget(left, 1);
    auto* right = new QWidget;
    auto* rightColumn = new QVBoxLayout(right);
    rightColumn->setContentsMargins(0, 0, 0, 0);
    rightColumn->setSpacing(12);
    extra_ = new options::ExtraOptionsPanel(binding_, model_->optionsDisabled(), true, true);
    rightColumn->addWidget(extra_);
    rightColumn->addStretch(1);
    row->addWidget(right, 1);
    more_->addTool(columns);
    return more_;
}

void ReeditPage::rebuildPanel() {
    // A new panel reads the project afresh: its own copies of the values follow the steps and restores.
    if (panel_) {
        panelSlot_->layout()->removeWidget(panel_);
        panel_->hide();
        panel_->deleteLater();
    }
    panel_ = new GlobalAdjustmentsPanel(model_->job(), model_->presetFile(), false, true);
    panel_->setObjectName(QStringLiteral("adjustmentsPanel"));
    panelSlot_->layout()->addWidget(panel_);
}

QWidget* ReeditPage::buildBottomBar() {
    auto* barArea = new QWidget;
    auto* stack = new QVBoxLayout(barArea);
    stack->setContentsMargins(24, 12, 24, 12);
    stack->setSpacing(8);

    resultBlock_ = new QWidget;
    auto* resultColumn = new QVBoxLayout(resultBlock_);
    resultColumn->setContentsMargins(0, 0, 0, 0);
    resultColumn->setSpacing(4);
    QBoxLayout* resultRow = nullptr;
    QWidget* resultLine = row(resultRow, 6);
    resultRow->addStretch(1);
    auto* mark = new kit::SymbolView(QStringLiteral("checkmark.circle.fill"), 14);
    mark->setInk(kit::okColor);
    resultRow->addWidget(mark, 0, Qt::AlignVCenter);
    resultText_ = label(QString(), kit::uiFont(kit::TextStyle::body, QFont::Medium), kit::okColor, false);
    resultText_->setMaxLines(0);
    resultText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    resultRow->addWidget(resultText_, 0, Qt::AlignVCenter);
    resultColumn->addWidget(resultLine);
    readHint_ = label(QStringLiteral("În Lightroom: selectează fotografiile, apoi Metadata → Read Metadata from Files, "
                                     "ca să vezi noile setări."),
                      kit::uiFont(kit::TextStyle::caption), kit::mutedColor);
    readHint_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    resultColumn->addWidget(readHint_, 0, Qt::AlignRight);
    stack->addWidget(resultBlock_);

    progressBlock_ = new QWidget;
    auto* progressColumn = new QVBoxLayout(progressBlock_);
    progressColumn->setContentsMargins(0, 0, 0, 0);
    progressColumn->setSpacing(4);
    QBoxLayout* progressRow = nullptr;
    QWidget* progressLine = row(progressRow, 10);
    progressRow->addStretch(1);
    spinner_ = new SmallSpinner;
    progressRow->addWidget(spinner_, 0, Qt::AlignVCenter);
    bar_ = new kit::PillBar(0, kit::StatusKind::accent);
    bar_->setFixedWidth(260);
    progressRow->addWidget(bar_, 0, Qt::AlignVCenter);
    // The interface font's digits are all one width, so the percentage does not jitter.
    percent_ = label(QString(), kit::uiFont(kit::TextStyle::callout, QFont::DemiBold), kit::primaryLabelColor, false);
    progressRow->addWidget(percent_, 0, Qt::AlignVCenter);
    progressColumn->addWidget(progressLine);
    status_ = label(QString(), kit::uiFont(kit::TextStyle::callout), kit::mutedColor, false);
    status_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    progressColumn->addWidget(status_, 0, Qt::AlignRight);
    stack->addWidget(progressBlock_);

    QBoxLayout* buttons = nullptr;
    QWidget* buttonRow = row(buttons, 10);
    buttonRow->setProperty("controlSize", "large");
    buttons->addStretch(1);
    done_ = new kit::KitButton(QStringLiteral("Gata"), kit::ButtonLook::accent);
    done_->setObjectName(QStringLiteral("done"));
    connect(done_, &QAbstractButton::clicked, this, [this] { model_->finish(); });
    cancel_ = new kit::KitButton(QStringLiteral("Anulează"), kit::ButtonLook::outline);
    cancel_->setObjectName(QStringLiteral("cancel"));
    connect(cancel_, &QAbstractButton::clicked, this, [this] { model_->cancel(); });
    apply_ = new kit::KitButton(QString(), kit::ButtonLook::accent);
    apply_->setObjectName(QStringLiteral("apply"));
    connect(apply_, &QAbstractButton::clicked, this, [this] { model_->startApply(); });
    buttons->addWidget(done_);
    buttons->addWidget(cancel_);
    buttons->addWidget(apply_);
    stack->addWidget(buttonRow);
    return barArea;
}

void ReeditPage::scheduleRefresh() {
    if (refreshPending_) return;
    refreshPending_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshPending_ = false;
        refresh();
    });
}

void ReeditPage::refresh() {
    ReeditModel& m = *model_;
    header_->setSubtitle(m.subtitle());
    const bool editing = m.editingEnabled();
    if (header_->backButton()) header_->backButton()->setEnabled(editing);
    optionsMenu_->setEnabled(m.resetAnalysesEnabled());
    profileMenu_->setVisible(m.showsProfileMenu());
    profileMenu_->setText(m.currentProfileName());
    profileMenu_->setEnabled(m.profileMenuEnabled());
    profileMenu_->updateGeometry();
    history_->setVisible(m.showsHistory());
    history_->setEnabled(m.historyEnabled());
    for (int i = 0; i < 2; ++i) grids_[i]->setShowOriginal(m.showOriginal());
    {
        const QSignalBlocker block(original_);
        original_->setChecked(m.showOriginal());
    }
    values_[0]->setText(m.brightnessText());
    values_[1]->setText(m.warmthText());
    for (QAbstractButton* step : steps_) step->setEnabled(editing);
    panelSlot_->setEnabled(editing);
    extra_->setDisabled(m.optionsDisabled());

    const ReeditModel::Bar bar = m.bar();
    resultBlock_->setVisible(bar == ReeditModel::Bar::result);
    if (m.result()) resultText_->setText(*m.result());
    readHint_->setVisible(m.showsReadHint());
    progressBlock_->setVisible(bar == ReeditModel::Bar::applying);
    const auto progress = m.progress();
    bar_->setVisible(progress.has_value());
    percent_->setVisible(progress.has_value());
    spinner_->setVisible(!progress.has_value());
    if (progress) {
        bar_->setFraction(*progress);
        percent_->setText(kit::percentText(*progress));
    }
    status_->setText(m.statusText());
    done_->setVisible(bar == ReeditModel::Bar::result);
    cancel_->setVisible(bar != ReeditModel::Bar::result);
    apply_->setVisible(bar != ReeditModel::Bar::result);
    cancel_->setEnabled(m.cancelEnabled());
    apply_->setText(m.applyTitle());
    apply_->setEnabled(m.applyEnabled());
    apply_->updateGeometry();
}

void ReeditPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    model_->syncProfileTuning();
}

QAbstractButton* ReeditPage::control(const QString& name) const {
    auto* button = findChild<QAbstractButton*>(name);
    return button && button->isVisibleTo(this) ? button : nullptr;
}

QString ReeditPage::brightnessLabel() const { return values_[0]->text(); }
QString ReeditPage::warmthLabel() const { return values_[1]->text(); }
QString ReeditPage::statusLabel() const { return status_->text(); }
QString ReeditPage::percentLabel() const { return percent_->isVisibleTo(this) ? percent_->text() : QString(); }
QString ReeditPage::resultLabel() const { return resultBlock_->isVisibleTo(this) ? resultText_->text() : QString(); }
bool ReeditPage::showsReadHint() const { return resultBlock_->isVisibleTo(this) && readHint_->isVisibleTo(this); }
bool ReeditPage::showsProgress() const { return progressBlock_->isVisibleTo(this); }

VersionHistoryList* ReeditPage::historyList() const {
    return popover_ ? popover_->findChild<VersionHistoryList*>() : nullptr;
}

std::unique_ptr<QMenu> ReeditPage::makeOptionsMenu() {
    auto menu = std::make_unique<QMenu>();
    QAction* reset = menu->addAction(menuIcon(QStringLiteral("arrow.triangle.2.circlepath")),
                                     kit::localized("Reanalizează fotografiile"));
    reset->setEnabled(model_->resetAnalysesEnabled());
    connect(reset, &QAction::triggered, this, [this] { model_->resetAnalyses(); });
    return menu;
}

std::unique_ptr<QMenu> ReeditPage::makeProfileMenu() {
    auto menu = std::make_unique<QMenu>();
    for (const ReeditModel::ProfileChoice& choice : model_->profileChoices()) {
        QAction* action = choice.current ? menu->addAction(menuIcon(QStringLiteral("checkmark")), choice.name)
                                         : menu->addAction(choice.name);
        const Uuid id = choice.id;
        connect(action, &QAction::triggered, this, [this, id] { model_->chooseProfile(id); });
    }
    return menu;
}

void ReeditPage::syncHistoryPopover() {
    if (model_->historyOpen() && !popover_) {
        QPointer<ReeditPage> self(this);
        auto* popover = new HistoryPopover(history_, [self] {
            if (self) self->model_->setHistoryOpen(false);
        });
        popover->layout()->addWidget(new VersionHistoryList(
            model_->job(), [self](const EditVersion& version) {
                if (self) self->model_->restoreFromHistory(version);
            }));
        popover->adjustSize();
        // Below the button, its trailing edge under the button's.
        const QPoint below = history_->mapToGlobal(QPoint(history_->width(), history_->height() + 6));
        popover->move(below.x() - popover->width(), below.y());
        popover_ = popover;
        popover->show();
    } else if (!model_->historyOpen() && popover_) {
        QWidget* popover = popover_;
        popover_ = nullptr;
        popover->hide();
        popover->deleteLater();
    }
}

}  // namespace orvane::projects
