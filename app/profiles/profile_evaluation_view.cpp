#include "app/profiles/profile_evaluation_view.h"

#include <QConicalGradient>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/cards.h"
#include "app/kit/fonts.h"
#include "app/kit/glass.h"
#include "app/kit/localization.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/kit/tooltips.h"
#include "app/model/app_model.h"
#include "app/model/duration_text.h"
#include "app/model/profile_build_status.h"
#include "app/profiles/profile_detail_model.h"
#include "app/profiles/profile_detail_parts.h"

namespace orvane::profiles {

namespace {
void paintSoftFill(QWidget* w) {
    QPainter p(w);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kit::softFillColor.resolve(kit::Appearance::instance().isDark()));
    p.drawRoundedRect(QRectF(w->rect()), 20, 20);
}

QWidget* figure(const QString& symbol, int value, const QString& tip, const char* name) {
    auto* w = new QWidget;
    w->setObjectName(name);
    auto* row = new QHBoxLayout(w);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    auto* icon = new kit::SymbolView(symbol, 11.5, 13);
    icon->setInk(kit::accentColor());
    row->addWidget(icon);
    auto* label = textLabel(figureLabel(value), 12, QFont::Normal, kit::mutedColor, false);
    label->setObjectName("figureLabel");
    row->addWidget(label);
    w->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    kit::QuickTip::attach(w, {tip, kit::quickTipDelay, true, kit::explanatoryWrapWidth(tip), false});
    return w;
}
}  // namespace

ScoreRing::ScoreRing(int score, double fraction, QWidget* parent) : QWidget(parent), score_(score), fraction_(fraction) {
    setFixedSize(76, 76);
}

void ScoreRing::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = kit::Appearance::instance().isDark();
    const QColor accent = kit::accentColor().resolve(dark);
    const QRectF r = QRectF(rect()).adjusted(3.5, 3.5, -3.5, -3.5);
    p.setPen(QPen(kit::withAlpha(accent, 0.16), 7));
    p.drawEllipse(r);
    QConicalGradient gradient(r.center(), 90);
    // Clockwise from the top: the conical gradient runs counter-clockwise, so its stops are reversed.
    gradient.setColorAt(0.0, accent);
    gradient.setColorAt(1.0 - fraction_, kit::withAlpha(accent, 0.55));
    gradient.setColorAt(1.0, kit::withAlpha(accent, 0.55));
    QPen arc(QBrush(gradient), 7, Qt::SolidLine, Qt::RoundCap);
    p.setPen(arc);
    p.drawArc(r, 90 * 16, -int(std::round(fraction_ * 360 * 16)));
    p.setPen(kit::primaryLabelColor.resolve(dark));
    p.setFont(kit::uiFont(20, QFont::Bold));
    p.drawText(rect(), Qt::AlignCenter, QString::number(score_) + "%");
}

EvaluationCard::EvaluationCard(const Evaluation& e, const std::vector<std::string>& predictedExtras, QWidget* parent)
    : QWidget(parent), score_(scoreEvaluation(e, predictedExtras)) {
    setObjectName("evaluationCard");
    auto* column = new QVBoxLayout(this);
    column->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    if (score_.form != EvaluationScore::Form::scored) {
        column->setContentsMargins(16, 16, 16, 16);
        column->setSpacing(4);
        column->addWidget(textLabel(QString::fromUtf8("Editare cu AI"), 14, QFont::DemiBold, kit::primaryLabelColor), 0,
                          Qt::AlignHCenter);
        const QString text = score_.form == EvaluationScore::Form::stillLearning
                                 ? QString::fromUtf8("Profilul se învață încă. Mai adaugă evenimente editate de tine "
                                                     "pentru un rezultat mai precis.")
                                 : QString::fromUtf8("Apasă „Actualizează” ca să afli cât de bine interpretează.");
        auto* note = wrappingLabel(text, kit::mutedColor, true);
        note->setObjectName("evaluationNote");
        column->addWidget(note);
        return;
    }
    column->setContentsMargins(22, 16, 22, 16);
    column->setSpacing(10);
    auto* ring = new ScoreRing(score_.overall, score_.ringFraction);
    ring->setObjectName("scoreRing");
    column->addWidget(ring, 0, Qt::AlignHCenter);
    column->addWidget(textLabel(QString::fromUtf8("Editare cu AI vs. clasic"), 13, QFont::DemiBold, kit::primaryLabelColor),
                      0, Qt::AlignHCenter);
    auto* caption = wrappingLabel(scoreCaption(score_.overall), kit::mutedColor, true);
    caption->setLocalized(false);
    caption->setObjectName("scoreCaption");
    caption->setMaximumWidth(190);
    column->addWidget(caption, 0, Qt::AlignHCenter);
    auto* figures = new QHBoxLayout;
    figures->setSpacing(14);
    figures->addStretch(1);
    figures->addWidget(figure(QStringLiteral("sun.max.fill"), score_.exposureGain,
                              brightnessTip(score_.exposureGain, e.exposureMAE), "brightness"));
    figures->addWidget(figure(QStringLiteral("thermometer.medium"), score_.colourGain,
                              colourTip(score_.colourGain, e.temperatureMAE), "colour"));
    if (score_.tones) {
        figures->addWidget(figure(QStringLiteral("slider.horizontal.3"), *score_.tones,
                                  tonesTip(*score_.tones, predictedExtras), "tones"));
    }
    figures->addStretch(1);
    column->addLayout(figures);
}

void EvaluationCard::paintEvent(QPaintEvent*) { paintSoftFill(this); }

BuildProgressCard::BuildProgressCard(ProfileDetailModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setObjectName("buildProgress");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(16);
    column->addSpacing(12);
    ring_ = new kit::ProgressRing(0, 16);
    ring_->setFixedSize(230, 230);
    column->addWidget(ring_, 0, Qt::AlignHCenter);
    pill_ = new kit::StatusPill(QString(), QStringLiteral("circle.dotted"), kit::StatusKind::accent);
    column->addWidget(pill_, 0, Qt::AlignHCenter);
    cancel_ = new kit::KitButton(QString::fromUtf8("Anulează"), kit::ButtonLook::outline);
    cancel_->setObjectName("cancelBuild");
    cancel_->setProperty("controlSize", "large");
    column->addWidget(cancel_, 0, Qt::AlignHCenter);
    column->addSpacing(8);
    column->addWidget(divider());
    auto* rows = new QVBoxLayout;
    rows->setSpacing(10);
    auto row = [&](const char* title, kit::KitLabel*& value) {
        auto* line = new QHBoxLayout;
        line->addWidget(textLabel(QString::fromUtf8(title), 13, QFont::Normal, kit::mutedColor));
        line->addStretch(1);
        value = textLabel(QString(), 12, QFont::Medium, kit::primaryLabelColor, false);
        line->addWidget(value);
        rows->addLayout(line);
    };
    row("Profil", profileName_);
    row("Cataloage", catalogs_);
    row("Timp scurs", elapsed_);
    elapsed_->setObjectName("elapsed");
    column->addLayout(rows);
    column->addWidget(wrappingLabel(
        QString::fromUtf8("Se poate naviga în aplicație cât timp se antrenează; progresul rămâne în bara laterală."),
        kit::mutedColor, true));
    connect(cancel_, &QAbstractButton::clicked, &model_, &ProfileDetailModel::cancelBuild);
    refresh();
    scheduleTick();
}

void BuildProgressCard::scheduleTick() {
    // The application model's clock (virtual in tests) paces the elapsed time.
    std::weak_ptr<bool> alive = alive_;
    QPointer<BuildProgressCard> self(this);
    model_.app().mainExecutor().postAfter(std::chrono::seconds(1), [alive, self] {
        if (alive.expired() || !self) return;
        self->refresh();
        self->scheduleTick();
    });
}

void BuildProgressCard::refresh() {
    const auto& build = model_.app().profileBuild();
    if (!build) return;
    ring_->setFraction(buildFraction(build->phase));
    ring_->setCaption(QString::number(model_.selectionSize()) + kit::localized(" fotografii"));
    pill_->setText(build->stopping ? kit::localized("Se oprește…") : model::phaseText(build->phase));
    cancel_->setEnabled(!build->stopping);
    profileName_->setText(QString::fromStdString(model_.profile().name));
    catalogs_->setText(QString::number(model_.selected().size()) + kit::localized(" selectate"));
    elapsed_->setText(QString::fromStdString(model::durationText(model_.buildSeconds(), model_.app().defaults())));
}

void BuildProgressCard::paintEvent(QPaintEvent*) {
    QPainter p(this);
    kit::paintGlass(p, this, kit::KitShape::rounded(20), kit::GlassTreatment::airy);
}

}  // namespace orvane::profiles
