#include "app/projects/processing_view.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/cards.h"
#include "app/kit/fonts.h"
#include "app/kit/glass.h"
#include "app/kit/icons.h"
#include "app/kit/localization.h"
#include "app/kit/motion.h"
#include "app/kit/path_bar.h"
#include "app/kit/sheet_background.h"
#include "app/kit/sheet_host.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/kit/tooltips.h"
#include "app/options/start_sheet.h"
#include "app/projects/large_corrections_sheet.h"
#include "app/projects/preview_grid.h"
#include "app/projects/priority_toggle.h"
#include "app/projects/step_button.h"

namespace orvane::projects {

using Sheet = ProcessingModel::Sheet;
using State = Job::State;

namespace {

kit::KitLabel* label(const QString& text, const QFont& font, kit::AdaptiveColor color = kit::primaryLabelColor,
                     bool localized = true) {
    auto* l = new kit::KitLabel(text, font);
    l->setLocalized(localized);
    l->setColor(color);
    return l;
}

QFont callout(int weight = QFont::Normal) { return kit::uiFont(kit::TextStyle::callout, weight); }

// A plain button: an optional leading or trailing symbol and a text, both in one colour.
class SymbolLink final : public QAbstractButton {
public:
    SymbolLink(const QString& text, const QString& symbol, bool symbolTrailing, kit::AdaptiveColor color,
               QFont font, double symbolSize)
        : symbol_(symbol), trailing_(symbolTrailing), color_(color), font_(std::move(font)), symbolSize_(symbolSize) {
        setText(text);
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    }
    void setColor(kit::AdaptiveColor color) {
        color_ = color;
        update();
    }
    QSize sizeHint() const override {
        const QFontMetricsF fm(font_);
        return {int(std::ceil(fm.horizontalAdvance(kit::localized(text())) + symbolSize_ + 6)),
                int(std::ceil(std::max(fm.height(), symbolSize_) + 4))};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const bool dark = kit::Appearance::instance().isDark();
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (!isEnabled()) p.setOpacity(0.4);
        QColor ink = color_.resolve(dark);
        if (isDown()) ink = kit::withAlpha(ink, 0.7);
        const QFontMetricsF fm(font_);
        const QString shown = fm.elidedText(kit::localized(text()), Qt::ElideRight, width() - symbolSize_ - 6);
        const double textWidth = fm.horizontalAdvance(shown);
        const double cy = height() / 2.0;
        double x = 0;
        auto drawSymbol = [&] {
            kit::icons::paint(p, symbol_, QRectF(x, cy - symbolSize_ / 2, symbolSize_, symbolSize_), ink);
            x += symbolSize_ + 6;
        };
        if (!trailing_) drawSymbol();
        p.setFont(font_);
        p.setPen(ink);
        p.drawText(QRectF(x, 0, textWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, shown);
        x += textWidth + 4;
        if (trailing_) drawSymbol();
    }

private:
    QString symbol_;
    bool trailing_;
    kit::AdaptiveColor color_;
    QFont font_;
    double symbolSize_;
};

// The result badge: a white symbol, 44 points bold, in a 100-point circle of the ok or warn colour.
class ResultBadge final : public QWidget {
public:
    ResultBadge() { setFixedSize(100, 100); }
    void set(bool failures) {
        failures_ = failures;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const bool dark = kit::Appearance::instance().isDark();
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush((failures_ ? kit::warnColor : kit::okColor).resolve(dark));
        p.drawEllipse(QRectF(rect()));
        kit::icons::paint(p, failures_ ? QStringLiteral("exclamationmark") : QStringLiteral("checkmark"),
                          QRectF(28, 28, 44, 44), QColor(255, 255, 255));
    }

private:
    bool failures_ = false;
};

// The folder row's value: the path as a breadcrumb, clickable as a whole.
class FolderButton final : public QAbstractButton {
public:
    explicit FolderButton(const QString& path) {
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(0, 0, 0, 0);
        bar_ = new kit::PathBar(path, 3, callout(), 15);
        bar_->installEventFilter(this);
        row->addWidget(bar_);
        setCursor(Qt::PointingHandCursor);
        // The full path shows quickly over the breadcrumb; the explanation after the usual delay.
        kit::labelTip(bar_, path, false);
        kit::quickTip(this, QString::fromUtf8("Deschide folderul cu fotografii în managerul de fișiere"));
    }
    kit::PathBar* bar() const { return bar_; }
    QSize sizeHint() const override { return bar_->sizeHint(); }
    QSize minimumSizeHint() const override { return bar_->minimumSizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == bar_ && event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            click();
            return true;
        }
        return QAbstractButton::eventFilter(watched, event);
    }

private:
    kit::PathBar* bar_;
};

kit::KitButton* button(const char* name, const QString& text, kit::ButtonLook look) {
    auto* b = new kit::KitButton(text, look);
    b->setObjectName(name);
    return b;
}

// The learn sheet used when the application hands in none: what it asks and the start of learning.
class LearnPrompt final : public kit::GlassSheet {
public:
    LearnPrompt(model::AppModel& app, const Project& project, std::optional<std::filesystem::path> catalog,
                std::optional<std::set<std::string>> paths, std::function<void(int)> completion,
                std::function<void()> close) {
        setObjectName("learnSheet");
        setFixedWidth(520);
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(24, 24, 24 + 44, 24);
        column->setSpacing(14);
        column->addWidget(label(QString::fromUtf8("Învață din proiect"), kit::uiFont(20, QFont::Bold)));
        const QString count = paths ? QString::number(paths->size()) : QString::number(project.done());
        auto* text = label(QString::fromUtf8("Profilul proiectului învață din corecturile tale din Lightroom (%1 "
                                             "fotografii).")
                               .arg(count),
                           kit::uiFont(kit::TextStyle::body), kit::mutedColor, false);
        text->setMaxLines(0);
        column->addWidget(text);
        auto* row = new QHBoxLayout;
        row->addStretch(1);
        auto* cancel = button("cancel", QString::fromUtf8("Anulează"), kit::ButtonLook::outline);
        auto* start = button("learnStart", QString::fromUtf8("Învață"), kit::ButtonLook::accent);
        start->setEnabled(!app.profileBuild());
        row->addWidget(cancel);
        row->addWidget(start);
        column->addLayout(row);
        auto* corner = kit::SheetCloseButton::overlay(this);
        connect(corner, &kit::SheetCloseButton::clicked, this, close);
        connect(cancel, &QAbstractButton::clicked, this, close);
        QPointer<model::AppModel> model(&app);
        connect(start, &QAbstractButton::clicked, this, [model, project, catalog, paths, completion, close] {
            if (model) {
                std::function<void(int)> done;
                if (paths && completion) done = completion;
                model->learnFromProject(project, catalog, std::nullopt, paths, done);
            }
            close();
        });
        resize(520, sizeHint().height());
    }
};

}  // namespace

SmallSpinner::SmallSpinner(QWidget* parent) : QWidget(parent) { setFixedSize(sizeHint()); }

void SmallSpinner::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!timer_ && kit::animationsEnabled()) timer_ = startTimer(50);
}

void SmallSpinner::hideEvent(QHideEvent* event) {
    if (timer_) killTimer(timer_);
    timer_ = 0;
    QWidget::hideEvent(event);
}

void SmallSpinner::timerEvent(QTimerEvent*) {
    angle_ = (angle_ + 30) % 360;
    update();
}

void SmallSpinner::paintEvent(QPaintEvent*) {
    const bool dark = kit::Appearance::instance().isDark();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    paintProgressMark(p, QRectF(rect()).adjusted(2, 2, -2, -2), kit::mutedColor.resolve(dark), angle_);
}

ProcessingView::ProcessingView(model::AppModel& app, model::Router& router, std::shared_ptr<Job> job,
                               ProcessingViewServices services, QWidget* parent)
    : QScrollArea(parent),
      model_(app, router, std::move(job), services.processing),
      services_(std::move(services)),
      binding_(app.sharedDefaults()) {
    setObjectName("processingView");
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);

    auto* page = new QWidget;
    page->setAutoFillBackground(false);
    auto* outer = new QHBoxLayout(page);
    outer->setContentsMargins(24, 24, 24, 24);
    column_ = new QWidget;
    column_->setMaximumWidth(700);
    column_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    // Centred: the stretches share what the column, at most 700 wide, leaves.
    outer->addStretch(1);
    outer->addWidget(column_, 1000, Qt::AlignTop);
    outer->addStretch(1);
    auto* col = new QVBoxLayout(column_);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(16);

    // The learned-exports offer.
    banner_ = kit::GlassFrame::group(14);
    banner_->setObjectName("exportsBanner");
    {
        auto* row = new QHBoxLayout(banner_);
        row->setContentsMargins(12, 9, 12, 9);
        row->setSpacing(12);
        auto* sparkles = new kit::SymbolView(QStringLiteral("sparkles"), 14);
        sparkles->setInk(kit::accentColor());
        row->addWidget(sparkles);
        bannerText_ = label(QString(), kit::uiFont(13, QFont::Medium), kit::primaryLabelColor, false);
        bannerText_->setElideMode(Qt::ElideRight);
        row->addWidget(bannerText_, 1);
        auto* later = button("bannerLater", QString::fromUtf8("Nu acum"), kit::ButtonLook::outline);
        later->setProperty("controlSize", "small");
        bannerLearn_ = button("bannerLearn", QString::fromUtf8("Învață"), kit::ButtonLook::accent);
        bannerLearn_->setProperty("controlSize", "small");
        row->addWidget(later);
        row->addWidget(bannerLearn_);
        connect(later, &QAbstractButton::clicked, &model_, &ProcessingModel::dismissBanner);
        connect(bannerLearn_, &QAbstractButton::clicked, this,
                [this] { model_.setShowing(Sheet::autoLearn, true); });
    }
    col->addWidget(banner_);

    auto* card = new kit::GlassFrame(kit::GlassTreatment::airy, kit::KitShape::rounded(32));
    card->setObjectName("mainCard");
    card->setMaximumWidth(640);
    auto* cardColumn = new QVBoxLayout(card);
    cardColumn->setContentsMargins(40, 32, 40, 32);
    cardColumn->setSpacing(22);
    buildProgress(cardColumn);
    buildResult(cardColumn);
    cardColumn->addSpacing(8 - 22 + 8);
    auto* divider = new QFrame;
    divider->setObjectName("divider");
    divider->setFixedHeight(1);
    divider->setStyleSheet(QStringLiteral("background: rgba(128,128,128,0.25);"));
    cardColumn->addWidget(divider);
    cardColumn->addSpacing(8 - 22 + 8);
    buildDetails(cardColumn);
    buildFooters(cardColumn);
    card->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* cardRow = new QHBoxLayout;
    cardRow->addStretch(1);
    cardRow->addWidget(card, 1000);
    cardRow->addStretch(1);
    col->addLayout(cardRow);

    saveCard_ = new kit::Card(QString::fromUtf8("Proiect nesalvat"), QStringLiteral("exclamationmark.triangle"));
    saveCard_->setObjectName("saveErrorCard");
    saveText_ = label(QString(), callout(), kit::badColor, false);
    saveText_->setMaxLines(0);
    saveCard_->addContent(saveText_);
    auto* retrySave = button("retrySave", QString::fromUtf8("Reîncearcă salvarea"), kit::ButtonLook::outline);
    connect(retrySave, &QAbstractButton::clicked, &model_, &ProcessingModel::retrySave);
    auto* retryRow = new QWidget;
    auto* rr = new QHBoxLayout(retryRow);
    rr->setContentsMargins(0, 0, 0, 0);
    rr->addWidget(retrySave);
    rr->addStretch(1);
    saveCard_->addContent(retryRow);
    col->addWidget(saveCard_);

    errorsCard_ = new kit::Card(QString::fromUtf8("Erori"), QStringLiteral("exclamationmark.triangle"));
    errorsCard_->setObjectName("errorsCard");
    col->addWidget(errorsCard_);
    col->addStretch(1);
    setWidget(page);

    connect(&model_, &ProcessingModel::changed, this, &ProcessingView::scheduleRefresh);
    connect(&model_, &ProcessingModel::exportMessageChanged, this, &ProcessingView::scheduleRefresh);
    connect(&model_, &ProcessingModel::bannerChanged, this, &ProcessingView::scheduleRefresh);
    connect(&model_, &ProcessingModel::estimateChanged, this, [this] {
        if (timeValue_ && !model_.isFinished()) timeValue_->setText(model_.estimateText());
    });
    connect(&model_, &ProcessingModel::sheetsChanged, this, &ProcessingView::syncSheets);
    // Coming back to the application reads the exports once more.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s == Qt::ApplicationActive) model_.refreshExports();
    });
    refresh();
}

ProcessingView::~ProcessingView() {
    // The sheets live in the window's host: they go with the screen.
    for (auto& s : sheets_)
        if (s) {
            if (host_) host_->dismiss(s);
            else delete s.data();
        }
}

void ProcessingView::showEvent(QShowEvent* event) {
    QScrollArea::showEvent(event);
    if (appeared_) return;
    appeared_ = true;
    model_.appeared();
    refresh();
}

void ProcessingView::scheduleRefresh() {
    if (refreshPending_) return;
    refreshPending_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshPending_ = false;
        refresh();
    });
}

void ProcessingView::buildProgress(QVBoxLayout* card) {
    progress_ = new QWidget;
    progress_->setObjectName("progressBlock");
    auto* col = new QVBoxLayout(progress_);
    col->setContentsMargins(0, 12, 0, 0);
    col->setSpacing(22);
    ring_ = new kit::ProgressRing(0, 16);
    ring_->setObjectName("ring");
    ring_->setFixedSize(200, 200);
    col->addWidget(ring_, 0, Qt::AlignHCenter);
    pillRow_ = new QHBoxLayout;
    pillRow_->setContentsMargins(0, 0, 0, 0);
    col->addLayout(pillRow_);
    toggle_ = new PriorityToggle(model_.app().sharedDefaults(), prioritizeEditingKey, false,
                                 QString::fromUtf8("Prioritizează editarea"),
                                 QString::fromUtf8("Folosește toate nucleele și aproape toată memoria calculatorului, "
                                                   "cu prioritate mare: editarea se termină mai repede, dar celelalte "
                                                   "programe pot merge mai greu cât durează."));
    toggle_->setObjectName("priorityToggle");
    col->addWidget(toggle_, 0, Qt::AlignHCenter);
    auto* controls = new QWidget;
    controls->setProperty("controlSize", "large");
    auto* cc = new QVBoxLayout(controls);
    cc->setContentsMargins(0, 0, 0, 0);
    cc->setSpacing(10);
    actionsHost_ = new QWidget;
    actionsHost_->setObjectName("actionRow");
    auto* ar = new QHBoxLayout(actionsHost_);
    ar->setContentsMargins(0, 0, 0, 0);
    ar->setSpacing(10);
    cc->addWidget(actionsHost_);
    progressMessage_ = new QWidget;
    auto* pm = new QHBoxLayout(progressMessage_);
    pm->setContentsMargins(0, 0, 0, 0);
    pm->setSpacing(6);
    auto* check = new kit::SymbolView(QStringLiteral("checkmark.circle.fill"), 13);
    check->setInk(kit::okColor);
    pm->addWidget(check);
    progressMessageText_ = label(QString(), callout(), kit::okColor, false);
    pm->addWidget(progressMessageText_, 1);
    cc->addWidget(progressMessage_);
    col->addWidget(controls);
    card->addWidget(progress_);
}

void ProcessingView::buildResult(QVBoxLayout* card) {
    result_ = new QWidget;
    result_->setObjectName("resultBlock");
    auto* col = new QVBoxLayout(result_);
    col->setContentsMargins(0, 12, 0, 0);
    col->setSpacing(22);
    badge_ = new ResultBadge;
    badge_->setObjectName("resultBadge");
    col->addWidget(badge_, 0, Qt::AlignHCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    elapsed_ = label(QString(), kit::trackedFont(42, QFont::Bold, -1), kit::primaryLabelColor, false);
    elapsed_->setObjectName("elapsed");
    elapsed_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    elapsed_->setElideMode(Qt::ElideRight);
    texts->addWidget(elapsed_);
    subtitle_ = label(QString(), kit::uiFont(15), kit::mutedColor, false);
    subtitle_->setObjectName("resultSubtitle");
    subtitle_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    texts->addWidget(subtitle_);
    col->addLayout(texts);

    auto* exportSection = new QWidget;
    exportSection->setProperty("controlSize", "large");
    auto* es = new QVBoxLayout(exportSection);
    es->setContentsMargins(0, 0, 0, 0);
    es->setSpacing(12);
    export_ = button("export", QString::fromUtf8("Export în Lightroom"), kit::ButtonLook::hero);
    connect(export_, &QAbstractButton::clicked, &model_, &ProcessingModel::startExport);
    es->addWidget(export_, 0, Qt::AlignHCenter);

    extraBlock_ = new QWidget;
    extraBlock_->setObjectName("extraBlock");
    auto* eb = new QVBoxLayout(extraBlock_);
    eb->setContentsMargins(0, 0, 0, 0);
    eb->setSpacing(6);
    extraBarRow_ = new QWidget;
    auto* br = new QHBoxLayout(extraBarRow_);
    br->setContentsMargins(0, 0, 0, 0);
    br->setSpacing(10);
    br->addStretch(1);
    extraBar_ = new kit::PillBar(0, kit::StatusKind::accent);
    extraBar_->setFixedWidth(220);
    br->addWidget(extraBar_);
    extraPercent_ = label(QString(), callout(QFont::DemiBold), kit::primaryLabelColor, false);
    br->addWidget(extraPercent_);
    br->addStretch(1);
    eb->addWidget(extraBarRow_);
    extraText_ = label(QString(), callout(), kit::mutedColor, false);
    extraText_->setObjectName("extraText");
    extraText_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    eb->addWidget(extraText_);
    auto* explain = label(QString::fromUtf8("Aplicația citește fiecare fotografie o singură dată (îndreptare, "
                                            "persoane, fețe), ca să pregătească exportul. Data viitoare nu se mai "
                                            "repetă."),
                          kit::uiFont(kit::TextStyle::caption), kit::mutedColor);
    explain->setMaxLines(0);
    explain->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    explain->setMaximumWidth(380);
    eb->addWidget(explain, 0, Qt::AlignHCenter);
    es->addWidget(extraBlock_);

    resultMessage_ = new QWidget;
    auto* rm = new QHBoxLayout(resultMessage_);
    rm->setContentsMargins(0, 0, 0, 0);
    rm->setSpacing(6);
    rm->addStretch(1);
    auto* check = new kit::SymbolView(QStringLiteral("checkmark.circle.fill"), 13);
    check->setInk(kit::okColor);
    rm->addWidget(check);
    resultMessageText_ = label(QString(), callout(), kit::okColor, false);
    resultMessageText_->setObjectName("exportMessage");
    rm->addWidget(resultMessageText_);
    rm->addStretch(1);
    es->addWidget(resultMessage_);

    auto* reedit = new SymbolLink(QString::fromUtf8("Ajustează și reeditează"), QStringLiteral("chevron.right"), true,
                                  kit::accentColor(), kit::uiFont(16, QFont::Medium), 12);
    reedit->setObjectName("resultReedit");
    connect(reedit, &QAbstractButton::clicked, &model_, &ProcessingModel::reedit);
    resultReedit_ = reedit;
    es->addWidget(reedit, 0, Qt::AlignHCenter);
    col->addWidget(exportSection);
    card->addWidget(result_);
}

void ProcessingView::buildDetails(QVBoxLayout* card) {
    auto* details = new QVBoxLayout;
    details->setSpacing(16);
    auto row = [&](const QString& title, kit::KitLabel** labelOut = nullptr) {
        auto* r = new QHBoxLayout;
        r->setSpacing(16);
        auto* l = label(title, kit::uiFont(14), kit::mutedColor);
        if (labelOut) *labelOut = l;
        r->addWidget(l);
        r->addStretch(1);
        details->addLayout(r);
        return r;
    };
    auto* folderRow = row(QString::fromUtf8("Folder RAW"));
    auto* folder = new FolderButton(model_.folder());
    folder->setObjectName("openFolder");
    pathBar_ = folder->bar();
    connect(folder, &QAbstractButton::clicked, &model_, &ProcessingModel::openFolder);
    folderRow->addWidget(folder);
    profileRow_ = row(QString::fromUtf8("Profil"));
    auto* timeRow = row(QString::fromUtf8("Timp estimat"), &timeLabel_);
    timeValue_ = label(QString(), kit::uiFont(kit::TextStyle::callout), kit::primaryLabelColor, false);
    timeValue_->setObjectName("timeValue");
    timeRow->addWidget(timeValue_);
    card->addLayout(details);
}

void ProcessingView::buildFooters(QVBoxLayout* card) {
    auto* note = label(QString::fromUtf8("Progresul se salvează după fiecare fotografie; la redeschiderea aplicației, "
                                         "„Reia” continuă cu cele rămase."),
                       kit::uiFont(12.5), kit::mutedColor);
    note->setMaxLines(0);
    note->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    note->setMaximumWidth(440);
    progressFooter_ = new QWidget;
    auto* pf = new QVBoxLayout(progressFooter_);
    pf->setContentsMargins(0, 4, 0, 0);
    pf->addWidget(note, 0, Qt::AlignHCenter);
    card->addWidget(progressFooter_);

    resultFooter_ = new QWidget;
    auto* rf = new QVBoxLayout(resultFooter_);
    rf->setContentsMargins(0, 4, 0, 0);
    rf->setSpacing(12);
    auto* hint = new SymbolLink(QString(), QStringLiteral("eye"), false, kit::infoColor, callout(), 13);
    hint->setObjectName("bigHint");
    connect(hint, &QAbstractButton::clicked, this, [this] { model_.setShowing(Sheet::big, true); });
    bigHint_ = hint;
    rf->addWidget(hint, 0, Qt::AlignHCenter);
    learn_ = button("learn", QString::fromUtf8("Învață din proiect"), kit::ButtonLook::outline);
    connect(learn_, &QAbstractButton::clicked, this, [this] { model_.setShowing(Sheet::learn, true); });
    kit::QuickHint::attach(learn_,
                           QString::fromUtf8("Apasă abia după ce ai terminat toate corecturile din Lightroom, când "
                                             "proiectul e gata de livrare. Profilul învață din editările tale finale, "
                                             "deci o editare neterminată l-ar învăța greșit."),
                           280);
    rf->addWidget(learn_, 0, Qt::AlignHCenter);
    card->addWidget(resultFooter_);
}

void ProcessingView::refresh() {
    const bool finished = model_.isFinished();
    progress_->setVisible(!finished);
    result_->setVisible(finished);
    progressFooter_->setVisible(!finished);
    resultFooter_->setVisible(finished);

    if (!finished) {
        ring_->setFraction(model_.fraction());
        ring_->setCaption(model_.ringCaption());
        const PillSpec spec = model_.pill();
        if (!pill_ || !(spec == pillSpec_)) {
            delete pill_;
            pill_ = new kit::StatusPill(spec.text, spec.symbol, spec.kind);
            pill_->setObjectName("statusPill");
            pillRow_->addWidget(pill_, 0, Qt::AlignHCenter);
            pillSpec_ = spec;
        }
        toggle_->setVisible(model_.showsPriorityToggle());
        refreshActions();
        const auto& message = model_.exportMessage();
        progressMessage_->setVisible(message.has_value());
        progressMessageText_->setText(message.value_or(QString()));
        timeLabel_->setText(QString::fromUtf8("Timp estimat"));
        timeValue_->setText(model_.estimateText());
    } else {
        static_cast<ResultBadge*>(badge_)->set(model_.hasFailures());
        elapsed_->setText(model_.elapsedText());
        subtitle_->setText(model_.resultSubtitle());
        export_->setEnabled(model_.exportEnabled());
        resultReedit_->setEnabled(model_.reeditFromResultEnabled());
        const auto& message = model_.exportMessage();
        resultMessage_->setVisible(message.has_value());
        resultMessageText_->setText(message.value_or(QString()));
        timeLabel_->setText(QString::fromUtf8("Interval"));
        timeValue_->setText(model_.intervalValue());
        const int big = model_.bigCount();
        bigHint_->setVisible(big > 0);
        bigHint_->setText(model_.bigHint());
        learn_->setEnabled(model_.learnEnabled());
    }
    refreshExtra();
    pathBar_->setPath(model_.folder());
    refreshProfile();

    const auto saveError = model_.saveError();
    saveCard_->setVisible(saveError.has_value());
    saveText_->setText(saveError.value_or(QString()));
    refreshErrors();
    refreshBanner();
}

void ProcessingView::refreshExtra() {
    const auto extra = model_.extraStatus();
    extraBlock_->setVisible(extra.has_value() && model_.isFinished());
    if (!extra) return;
    const auto progress = model_.extraProgress();
    extraBarRow_->setVisible(progress.has_value());
    if (progress) {
        extraBar_->setFraction(*progress);
        extraPercent_->setText(kit::percentText(*progress));
    }
    extraText_->setText(*extra);
}

void ProcessingView::refreshActions() {
    const ActionRow spec = model_.actions();
    if (actionSpec_ && *actionSpec_ == spec) return;
    actionSpec_ = spec;
    auto* row = static_cast<QHBoxLayout*>(actionsHost_->layout());
    while (QLayoutItem* item = row->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    const kit::AdaptiveColor neutral = kit::mutedColor;
    auto step = [](const char* name, const char* title, const char* symbol, kit::AdaptiveColor tint) {
        auto* s = new StepHalf(QString::fromUtf8(title), QString::fromUtf8(symbol), tint, false);
        s->setObjectName(name);
        return s;
    };
    using M = ActionRow::Main;
    switch (spec.main) {
        case M::dequeue: {
            auto* group = new StepGroup;
            auto* s = step("dequeue", "Scoate din coadă", "xmark", neutral);
            connect(s, &QAbstractButton::clicked, &model_, &ProcessingModel::dequeue);
            group->add(s);
            row->addWidget(group);
            break;
        }
        case M::pauseCancel: {
            auto* group = new StepGroup;
            auto* pause = step("pause", "Pauză", "pause.fill", kit::accentColor());
            connect(pause, &QAbstractButton::clicked, &model_, &ProcessingModel::pause);
            group->add(pause);
            group->addDivider();
            auto* cancel = step("cancel", "Anulează", "xmark", neutral);
            connect(cancel, &QAbstractButton::clicked, &model_, &ProcessingModel::cancel);
            group->add(cancel);
            row->addWidget(group);
            break;
        }
        case M::spinner: {
            auto* spinner = new SmallSpinner;
            spinner->setObjectName("spinner");
            row->addWidget(spinner);
            break;
        }
        case M::resumeCancel: {
            auto* resume = button("resume", QString::fromUtf8("Reia"), kit::ButtonLook::hero);
            connect(resume, &QAbstractButton::clicked, &model_, &ProcessingModel::resume);
            row->addWidget(resume);
            auto* group = new StepGroup;
            auto* cancel = step("cancel", "Anulează", "xmark", neutral);
            connect(cancel, &QAbstractButton::clicked, &model_, &ProcessingModel::cancel);
            group->add(cancel);
            row->addWidget(group);
            break;
        }
        case M::resume: {
            auto* resume = button("resume", QString::fromUtf8("Reia"), kit::ButtonLook::hero);
            resume->setEnabled(spec.mainEnabled);
            connect(resume, &QAbstractButton::clicked, &model_, &ProcessingModel::resume);
            row->addWidget(resume);
            if (spec.reedit) {
                auto* reedit = button("reedit", QString::fromUtf8("Reeditează"), kit::ButtonLook::outline);
                reedit->setEnabled(spec.reeditEnabled);
                connect(reedit, &QAbstractButton::clicked, &model_, &ProcessingModel::reedit);
                row->addWidget(reedit);
            }
            break;
        }
        case M::start: {
            auto* start = button("start", QString::fromUtf8("Pornește editarea"), kit::ButtonLook::hero);
            start->setEnabled(spec.mainEnabled);
            connect(start, &QAbstractButton::clicked, &model_, &ProcessingModel::startEditing);
            row->addWidget(start);
            break;
        }
        case M::none: break;
    }
    if (spec.retryFailed) {
        auto* retry = button("retryFailed", QString::fromUtf8("Reîncearcă erorile"), kit::ButtonLook::outline);
        connect(retry, &QAbstractButton::clicked, &model_, &ProcessingModel::retryFailed);
        row->addWidget(retry);
    }
    row->addStretch(1);
}

void ProcessingView::refreshProfile() {
    const bool menu = model_.profileIsMenu();
    QString key = (menu ? QStringLiteral("menu:") : QStringLiteral("text:")) + model_.profileName();
    const auto choices = model_.profileChoices();
    for (const auto& c : choices) key += QLatin1Char('|') + c.name + (c.current ? QStringLiteral("*") : QString());
    if (profileValue_ && key == profileKey_) return;
    profileKey_ = key;
    if (profileValue_) {
        profileValue_->hide();
        profileValue_->deleteLater();
    }
    if (!menu) {
        auto* l = label(model_.profileName(), callout(QFont::Medium), kit::primaryLabelColor, false);
        l->setObjectName("profileName");
        profileValue_ = l;
    } else {
        auto* b = new QToolButton;
        b->setObjectName("profileMenu");
        b->setText(model_.profileName());
        b->setFont(callout(QFont::Medium));
        b->setAutoRaise(true);
        b->setPopupMode(QToolButton::InstantPopup);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setLayoutDirection(Qt::RightToLeft);
        b->setIcon(QIcon(kit::icons::pixmap(QStringLiteral("chevron.up.chevron.down"), QSize(9, 9),
                                            kit::mutedColor.resolve(kit::Appearance::instance().isDark()), 2)));
        b->setIconSize(QSize(9, 9));
        b->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));
        auto* menuWidget = new QMenu(b);
        for (const auto& c : choices) {
            QAction* a = menuWidget->addAction(c.name);
            a->setObjectName(QStringLiteral("profileChoice"));
            if (c.current) {
                a->setIcon(QIcon(kit::icons::pixmap(QStringLiteral("checkmark"), QSize(12, 12),
                                                    kit::primaryLabelColor.resolve(false), 2)));
            }
            const Uuid id = c.id;
            connect(a, &QAction::triggered, &model_, [this, id] { model_.chooseProfile(id); });
        }
        menuWidget->addSeparator();
        QAction* fresh = menuWidget->addAction(kit::localized(QString::fromUtf8("Profil nou…")));
        fresh->setObjectName(QStringLiteral("newProfile"));
        fresh->setIcon(QIcon(kit::icons::pixmap(QStringLiteral("plus"), QSize(12, 12),
                                                kit::primaryLabelColor.resolve(false), 2)));
        connect(fresh, &QAction::triggered, &model_, &ProcessingModel::newProfile);
        b->setMenu(menuWidget);
        profileValue_ = b;
    }
    profileRow_->addWidget(profileValue_);
}

void ProcessingView::refreshErrors() {
    const auto rows = model_.failedRows();
    errorsCard_->setVisible(!rows.empty());
    std::pair<bool, std::vector<ProcessingModel::FailedRow>> spec{model_.errorsCardRetry(), rows};
    if (errorsSpec_ && *errorsSpec_ == spec) return;
    errorsSpec_ = spec;
    QVBoxLayout* content = errorsCard_->contentLayout();
    // The header stays; everything after it is rebuilt.
    while (content->count() > 1) {
        QLayoutItem* item = content->takeAt(1);
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    if (spec.first) {
        auto* holder = new QWidget;
        auto* h = new QHBoxLayout(holder);
        h->setContentsMargins(0, 0, 0, 0);
        auto* retry = button("cardRetryFailed", QString::fromUtf8("Reîncearcă erorile"), kit::ButtonLook::outline);
        connect(retry, &QAbstractButton::clicked, &model_, &ProcessingModel::retryFailed);
        h->addWidget(retry);
        h->addStretch(1);
        errorsCard_->addContent(holder);
    }
    for (const auto& r : rows) {
        auto* line = new QWidget;
        line->setObjectName("failedRow");
        auto* h = new QHBoxLayout(line);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(12);
        auto* name = label(r.name, callout(QFont::Medium), kit::primaryLabelColor, false);
        name->setObjectName("failedName");
        h->addWidget(name, 0, Qt::AlignTop);
        h->addStretch(1);
        auto* error = label(r.error, kit::uiFont(kit::TextStyle::caption), kit::mutedColor, false);
        error->setObjectName("failedError");
        error->setMaxLines(2);
        error->setAlignment(Qt::AlignRight | Qt::AlignTop);
        h->addWidget(error, 1, Qt::AlignTop);
        errorsCard_->addContent(line);
    }
}

void ProcessingView::refreshBanner() {
    const int count = model_.newExportCount();
    banner_->setVisible(count > 0);
    if (count > 0) bannerText_->setText(model_.bannerText());
    bannerLearn_->setEnabled(model_.bannerLearnEnabled());
}

bool ProcessingView::showsBanner() const { return banner_->isVisibleTo(column_); }

QAbstractButton* ProcessingView::control(const QString& name) const {
    for (auto* b : widget()->findChildren<QAbstractButton*>(name))
        if (b->isVisibleTo(widget())) return b;
    return nullptr;
}

QString ProcessingView::pillText() const { return pill_ && !model_.isFinished() ? pill_->text() : QString(); }

QString ProcessingView::estimateText() const { return timeValue_->text(); }

QString ProcessingView::exportMessageText() const {
    if (!model_.exportMessage()) return {};
    return model_.isFinished() ? resultMessageText_->text() : progressMessageText_->text();
}

kit::SheetHost* ProcessingView::sheetHost() {
    if (host_) return host_;
    // The main window's host sits beside the content; a screen shown alone gets one of its own.
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* h = w->findChild<kit::SheetHost*>(QString(), Qt::FindDirectChildrenOnly)) return host_ = h;
    host_ = new kit::SheetHost(window());
    return host_;
}

void ProcessingView::syncSheets() {
    for (int i = 0; i < 4; ++i) {
        const Sheet which = Sheet(i);
        const bool wanted = model_.showing(which);
        QPointer<QWidget>& slot = sheets_[i];
        if (wanted && !slot) {
            slot = makeSheet(which);
            kit::SheetHost* host = sheetHost();
            connect(host, &kit::SheetHost::closeRequested, slot, [this, which, s = slot.data()](QWidget* shown) {
                if (shown == s) model_.setShowing(which, false);
            });
            host->present(slot);
        } else if (!wanted && slot) {
            if (host_) host_->dismiss(slot);
            else delete slot.data();
            slot = nullptr;
        }
    }
}

QWidget* ProcessingView::makeSheet(Sheet which) {
    QPointer<ProcessingModel> model(&model_);
    auto close = [model, which] {
        if (model) model->setShowing(which, false);
    };
    model::AppModel& app = model_.app();
    switch (which) {
        case Sheet::start: {
            QPointer<model::AppModel> appHandle(&app);
            auto* sheet = new options::StartSheet(
                binding_, model_.job(),
                [appHandle](const std::shared_ptr<Job>& job) {
                    if (appHandle) appHandle->startJob(job);
                },
                close);
            sheet->setObjectName("startSheet");
            sheet->fitToApplication();
            return sheet;
        }
        case Sheet::big:
            return new BigCorrectionsSheet(model_.job(), model_.router(), app.sharedMainExecutor(), close,
                                           services_.previews);
        case Sheet::learn:
        case Sheet::autoLearn: {
            const Project project = model_.project();
            std::optional<std::filesystem::path> catalog;
            std::optional<std::set<std::string>> paths;
            std::function<void(int)> completion;
            if (which == Sheet::autoLearn) {
                if (project.catalogPath) catalog = std::filesystem::path(*project.catalogPath);
                paths = model_.exported();
                std::weak_ptr<Job> job = model_.job();
                completion = [job](int count) {
                    if (auto j = job.lock()) j->setLearnedExports(count);
                };
            }
            if (services_.learnSheet) return services_.learnSheet(app, project, catalog, paths, completion, close);
            return new LearnPrompt(app, project, catalog, paths, completion, close);
        }
    }
    return nullptr;
}

}  // namespace orvane::projects
