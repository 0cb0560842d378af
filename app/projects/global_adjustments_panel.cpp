#include "app/projects/global_adjustments_panel.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/form.h"
#include "app/kit/palette.h"
#include "app/kit/pill_picker.h"
#include "app/kit/slider.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/kit/tooltips.h"
#include "app/profiles/profile_detail_parts.h"
#include "app/projects/priority_toggle.h"
#include "core/store/preset_keys.h"

namespace orvane::projects {

namespace {

using Mode = GlobalAdjustmentsModel::Mode;

const QString lockedTip = QString::fromUtf8(
    "Blocat: valoarea rămâne exact cum este acum în Lightroom, aplicația nu o modifică. Apasă ca să deblochezi.");
const QString unlockedTip = QString::fromUtf8(
    "Blochează acest ton: valoarea rămâne exact cum este acum în Lightroom, aplicația nu o modifică.");

kit::PillPicker* modePicker() {
    auto* picker = new kit::PillPicker({{QVariant(int(Mode::computed)), QString::fromUtf8("Calculată AI"), std::nullopt},
                                        {QVariant(int(Mode::fixed)), QStringLiteral("Fix"), std::nullopt}},
                                       QVariant(int(Mode::computed)));
    picker->setFixedWidth(210);
    return picker;
}

// Title, a spacer and the picker of the two modes.
QWidget* modeRow(const QString& title, kit::PillPicker* picker) {
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(profiles::textLabel(title, 13, QFont::Medium, kit::primaryLabelColor), 0, Qt::AlignVCenter);
    line->addStretch(1);
    line->addWidget(picker, 0, Qt::AlignVCenter);
    return row;
}

kit::SliderRow* sliderRow(const QString& title, double lower, double upper, double step, double neutral,
                          std::optional<QString> hint = std::nullopt) {
    auto* row = new kit::SliderRow(title, std::nullopt, neutral, lower, upper, step, neutral);
    if (hint) row->setHint(*hint);
    return row;
}

void place(kit::SliderRow* row, double value, const QString& label) {
    if (row->value() != value) row->setValue(value);
    row->setLabel(label);
}

struct Section {
    QString title;
    QString symbol;
    std::vector<QWidget*> body;
};

}  // namespace

GlobalAdjustmentsPanel::GlobalAdjustmentsPanel(std::shared_ptr<Job> job, std::optional<std::filesystem::path> preset,
                                               bool wide, bool collapsed, QWidget* parent)
    : GlobalAdjustmentsPanel(jobAdjustmentsTarget(std::move(job)), std::move(preset), wide, collapsed, parent) {}

GlobalAdjustmentsPanel::GlobalAdjustmentsPanel(std::shared_ptr<AdjustmentsTarget> target,
                                               std::optional<std::filesystem::path> preset, bool wide, bool collapsed,
                                               QWidget* parent)
    : QWidget(parent), wide_(wide) {
    model_ = new GlobalAdjustmentsModel(std::move(target), std::move(preset), this);
    model_->load();
    build(collapsed);
    connect(model_, &GlobalAdjustmentsModel::changed, this, &GlobalAdjustmentsPanel::refresh);
    refresh();
}

void GlobalAdjustmentsPanel::build(bool collapsed) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);

    // ---- white balance ----
    temperatureMode_ = modePicker();
    temperatureMode_->setObjectName("temperatureMode");
    temperatureOffset_ = sliderRow(QString::fromUtf8("Ajustare temperatură"), -1500, 1500, 50, 0,
                                   QString::fromUtf8("peste valoarea calculată"));
    temperatureOffset_->setTrack(profiles::temperatureTrack());
    fixedTemperature_ = sliderRow(QString::fromUtf8("Temperatură fixă"), 2000, 12000, 50,
                                  GlobalAdjustmentsModel::fixedTemperatureBase,
                                  QString::fromUtf8("aceeași pe toate fotografiile"));
    fixedTemperature_->setTrack(profiles::temperatureTrack());
    tint_ = sliderRow(QString::fromUtf8("Nuanță"), -50, 50, 1, 0, QString::fromUtf8("peste Tint-ul din cameră"));
    tint_->setTrack(profiles::tintTrack());

    // ---- light ----
    exposureMode_ = modePicker();
    exposureMode_->setObjectName("exposureMode");
    exposureOffset_ = sliderRow(QString::fromUtf8("Ajustare expunere"), -3, 3, 0.05, 0,
                                QString::fromUtf8("peste valoarea calculată"));
    fixedExposure_ = sliderRow(QString::fromUtf8("Expunere fixă"), -3, 3, 0.05, 0,
                               QString::fromUtf8("aceeași pe toate fotografiile"));

    auto* lockBlock = new QWidget;
    auto* lockColumn = new QVBoxLayout(lockBlock);
    lockColumn->setContentsMargins(0, 0, 0, 0);
    lockColumn->setSpacing(4);
    lockAll_ = new kit::KitButton(QString::fromUtf8("Blochează toate"), kit::ButtonLook::outline);
    lockAll_->setObjectName("lockAll");
    lockAll_->setProperty("controlSize", "small");
    lockColumn->addWidget(lockAll_, 0, Qt::AlignRight);
    auto* lockNote = profiles::wrappingLabel(
        QString::fromUtf8("Cu lacătul închis, toate setările de mai jos vor rămâne exact cum sunt acum în Lightroom."),
        kit::mutedColor, false);
    lockNote->setAlignment(Qt::AlignRight | Qt::AlignTop);
    lockColumn->addWidget(lockNote);

    std::vector<QWidget*> lightBody{modeRow(QString::fromUtf8("Expunere"), exposureMode_), exposureOffset_,
                                    fixedExposure_, lockBlock};
    std::vector<QWidget*> detailBody;
    const auto& keys = PresetKeys::all();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string key = keys[i].key;
        auto* holder = new QWidget;
        auto* line = new QHBoxLayout(holder);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(8);
        auto* row = sliderRow(QString::fromStdString(keys[i].title), -100, 100, 1, 0);
        row->setGraphicsEffect(new QGraphicsOpacityEffect(row));
        auto* lock = new kit::SymbolButton(QStringLiteral("lock.open"), 12);
        lock->setFixedSize(22, 22);
        lock->setObjectName(QString::fromStdString("lock." + key));
        line->addWidget(row, 1, Qt::AlignVCenter);
        line->addWidget(lock, 0, Qt::AlignVCenter);
        toneRows_[key] = row;
        lockButtons_[key] = lock;
        (i < 5 ? lightBody : detailBody).push_back(holder);
        connect(row, &kit::SliderRow::valueEdited, model_, [this, key](double v) { model_->setToneKey(key, v); });
        connect(row, &kit::SliderRow::committed, model_, &GlobalAdjustmentsModel::commitBasic);
        connect(lock, &QAbstractButton::clicked, model_, [this, key] { model_->toggleLock(key); });
    }

    // ---- retouching ----
    teeth_ = sliderRow(QString::fromUtf8("Albire dinți"), 0, 100, 1, GlobalAdjustmentsModel::teethBase,
                       QString::fromUtf8("doar la fotografiile cu zâmbet; apare în Lightroom ca filtru radial"));
    faceLevel_ = sliderRow(QString::fromUtf8("Egalizează fețele"), 0, 100, 1, GlobalAdjustmentsModel::faceLevelBase);
    skinTexture_ = sliderRow(QString::fromUtf8("Textură piele"), 0, 100, 1, GlobalAdjustmentsModel::skinBase);
    skinClarity_ = sliderRow(QString::fromUtf8("Claritate piele"), 0, 100, 1, GlobalAdjustmentsModel::skinBase);
    skinSharpness_ = sliderRow(QString::fromUtf8("Ascuțime piele"), 0, 100, 1, GlobalAdjustmentsModel::skinBase,
                               QString::fromUtf8("reduc textura pe fețe; apare în Lightroom ca mască de pensulă"));
    auto* subjectRow = new QWidget;
    auto* subjectLine = new QHBoxLayout(subjectRow);
    subjectLine->setContentsMargins(0, 0, 0, 0);
    auto* subjectText = new QVBoxLayout;
    subjectText->setSpacing(1);
    subjectText->addWidget(profiles::textLabel(QString::fromUtf8("Mască subiect"), 13, QFont::Medium,
                                               kit::primaryLabelColor));
    subjectText->addWidget(profiles::textLabel(QString::fromUtf8("mască pe persoane în Lightroom, fără ajustări"), 11,
                                               QFont::Normal, kit::mutedColor));
    subjectLine->addLayout(subjectText);
    subjectLine->addStretch(1);
    subject_ = new SmallSwitch;
    subject_->setObjectName("subjectSwitch");
    subjectLine->addWidget(subject_, 0, Qt::AlignVCenter);

    const std::vector<Section> sections = {
        {QString::fromUtf8("Balans de alb"), QStringLiteral("sun.max.fill"),
         {modeRow(QString::fromUtf8("Temperatură"), temperatureMode_), temperatureOffset_, fixedTemperature_, tint_}},
        {QString::fromUtf8("Lumină"), QStringLiteral("chart.bar.fill"), lightBody},
        {QString::fromUtf8("Detaliu și culoare"), QStringLiteral("sparkles"), detailBody},
        {QString::fromUtf8("Retușare"), QStringLiteral("face.smiling"),
         {teeth_, subjectRow, faceLevel_, skinTexture_, skinClarity_, skinSharpness_}},
    };

    if (wide_) {
        auto* columns = new QHBoxLayout;
        columns->setSpacing(24);
        auto sectionBox = [](const Section& s) {
            auto* box = new QWidget;
            auto* lines = new QVBoxLayout(box);
            lines->setContentsMargins(0, 0, 0, 0);
            lines->setSpacing(12);
            lines->addWidget(profiles::sectionHeader(s.title));
            for (QWidget* w : s.body) lines->addWidget(w);
            return box;
        };
        for (const auto& pair : {std::pair{0, 2}, std::pair{1, 3}}) {
            auto* side = new QVBoxLayout;
            side->setSpacing(16);
            side->addWidget(sectionBox(sections[std::size_t(pair.first)]));
            side->addWidget(sectionBox(sections[std::size_t(pair.second)]));
            side->addStretch(1);
            columns->addLayout(side, 1);
        }
        column->addLayout(columns);
    } else {
        for (std::size_t i = 0; i < sections.size(); ++i) {
            const bool open = i < 2 && !collapsed;
            auto* group = new kit::ToolGroup(sections[i].title, sections[i].symbol, open);
            for (QWidget* w : sections[i].body) group->addTool(w);
            if (i > 0) column->addWidget(profiles::divider());
            column->addWidget(group);
            groups_.push_back(group);
        }
    }

    // ---- toolbar and footer ----
    auto* bar = new QHBoxLayout;
    bar->setSpacing(8);
    undo_ = new kit::SymbolButton(QStringLiteral("arrow.uturn.backward.circle"), 16);
    undo_->setObjectName("undo");
    kit::quickTip(undo_, QString::fromUtf8("Anulează (⌘Z)"));
    redo_ = new kit::SymbolButton(QStringLiteral("arrow.uturn.forward.circle"), 16);
    redo_->setObjectName("redo");
    kit::quickTip(redo_, QString::fromUtf8("Refă (⇧⌘Z)"));
    reset_ = new kit::KitButton(QString::fromUtf8("Resetează tot"), kit::ButtonLook::outline);
    reset_->setSymbol(QStringLiteral("arrow.counterclockwise"));
    reset_->setObjectName("reset");
    reset_->setProperty("controlSize", "small");
    bar->addWidget(undo_);
    bar->addWidget(redo_);
    bar->addWidget(reset_);
    bar->addStretch(1);
    column->addLayout(bar);
    column->addWidget(profiles::wrappingLabel(
        QString::fromUtf8("Temperature, Tint, Exposure se adaugă la valoarea calculată (și la ajustarea profilului); "
                          "restul înlocuiesc presetul, la toate fotografiile acestui proiect."),
        kit::mutedColor, false));

    // ---- wiring ----
    connect(temperatureMode_, &kit::PillPicker::selectionWritten, model_,
            [this](const QVariant& v) { model_->chooseTemperatureMode(Mode(v.toInt())); });
    connect(exposureMode_, &kit::PillPicker::selectionWritten, model_,
            [this](const QVariant& v) { model_->chooseExposureMode(Mode(v.toInt())); });
    connect(temperatureOffset_, &kit::SliderRow::valueEdited, model_, &GlobalAdjustmentsModel::setTemperatureOffset);
    connect(tint_, &kit::SliderRow::valueEdited, model_, &GlobalAdjustmentsModel::setTint);
    connect(exposureOffset_, &kit::SliderRow::valueEdited, model_, &GlobalAdjustmentsModel::setExposureOffset);
    for (auto* row : {temperatureOffset_, tint_, exposureOffset_})
        connect(row, &kit::SliderRow::committed, model_, &GlobalAdjustmentsModel::commitBasic);
    connect(fixedTemperature_, &kit::SliderRow::valueEdited, model_, &GlobalAdjustmentsModel::setFixedTemperature);
    connect(fixedExposure_, &kit::SliderRow::valueEdited, model_, &GlobalAdjustmentsModel::setFixedExposure);
    for (auto* row : {fixedTemperature_, fixedExposure_})
        connect(row, &kit::SliderRow::committed, model_, &GlobalAdjustmentsModel::commitFixed);
    connect(teeth_, &kit::SliderRow::valueEdited, model_, &GlobalAdjustmentsModel::setTeeth);
    connect(teeth_, &kit::SliderRow::committed, model_, &GlobalAdjustmentsModel::commitTeeth);
    connect(faceLevel_, &kit::SliderRow::valueEdited, model_, &GlobalAdjustmentsModel::setFaceLevel);
    connect(faceLevel_, &kit::SliderRow::committed, model_, &GlobalAdjustmentsModel::commitFaceLevel);
    connect(skinTexture_, &kit::SliderRow::valueEdited, model_, &GlobalAdjustmentsModel::setSkinTexture);
    connect(skinClarity_, &kit::SliderRow::valueEdited, model_, &GlobalAdjustmentsModel::setSkinClarity);
    connect(skinSharpness_, &kit::SliderRow::valueEdited, model_, &GlobalAdjustmentsModel::setSkinSharpness);
    for (auto* row : {skinTexture_, skinClarity_, skinSharpness_})
        connect(row, &kit::SliderRow::committed, model_, &GlobalAdjustmentsModel::commitSkin);
    connect(subject_, &QAbstractButton::clicked, model_, &GlobalAdjustmentsModel::setSubject);
    connect(lockAll_, &QAbstractButton::clicked, model_, &GlobalAdjustmentsModel::toggleAllLocks);
    connect(undo_, &QAbstractButton::clicked, model_, &GlobalAdjustmentsModel::undo);
    connect(redo_, &QAbstractButton::clicked, model_, &GlobalAdjustmentsModel::redo);
    connect(reset_, &QAbstractButton::clicked, model_, &GlobalAdjustmentsModel::reset);
    auto shortcut = [this](QKeySequence keys, void (GlobalAdjustmentsModel::*step)()) {
        auto* s = new QShortcut(keys, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, model_, step);
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), &GlobalAdjustmentsModel::undo);
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &GlobalAdjustmentsModel::redo);
}

void GlobalAdjustmentsPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) model_->load();
}

double GlobalAdjustmentsPanel::toneRowOpacity(const std::string& key) const {
    const auto* effect = qobject_cast<QGraphicsOpacityEffect*>(toneRows_.at(key)->graphicsEffect());
    return effect ? effect->opacity() : 1.0;
}

void GlobalAdjustmentsPanel::refresh() {
    const GlobalAdjustmentsModel& m = *model_;
    using M = GlobalAdjustmentsModel;
    const bool tFixed = m.temperatureMode() == Mode::fixed;
    const bool eFixed = m.exposureMode() == Mode::fixed;
    temperatureMode_->setSelection(QVariant(int(m.temperatureMode())), true);
    exposureMode_->setSelection(QVariant(int(m.exposureMode())), true);
    temperatureOffset_->setVisible(!tFixed);
    fixedTemperature_->setVisible(tFixed);
    exposureOffset_->setVisible(!eFixed);
    fixedExposure_->setVisible(eFixed);
    place(temperatureOffset_, m.basic().temperature, M::temperatureOffsetLabel(m.basic().temperature));
    place(fixedTemperature_, m.shownFixedTemperature(), M::fixedTemperatureLabel(m.shownFixedTemperature()));
    place(tint_, m.basic().tint, M::tintLabel(m.basic().tint));
    place(exposureOffset_, m.exposure(), M::exposureLabel(m.exposure()));
    place(fixedExposure_, m.shownFixedExposure(), M::exposureLabel(m.shownFixedExposure()));

    for (const auto& [key, row] : toneRows_) {
        const double base = double(m.toneBase(key));
        if (row->neutral() != base) row->setNeutral(base);
        const std::int64_t value = m.toneValue(key);
        place(row, double(value), M::toneLabel(value));
        row->setHint(m.toneHint(key));
        row->setChanged(m.hasOverride(key));
        const bool locked = m.isLocked(key);
        row->setEnabled(!locked);
        static_cast<QGraphicsOpacityEffect*>(row->graphicsEffect())->setOpacity(locked ? 0.4 : 1.0);
        kit::SymbolButton* lock = lockButtons_.at(key);
        lock->setSymbol(locked ? QStringLiteral("lock.fill") : QStringLiteral("lock.open"));
        lock->setInk(locked ? std::optional<kit::AdaptiveColor>() : std::optional<kit::AdaptiveColor>(kit::mutedColor));
        kit::quickTip(lock, locked ? lockedTip : unlockedTip);
    }
    const bool all = m.allLocked();
    lockAll_->setText(all ? QString::fromUtf8("Deblochează toate") : QString::fromUtf8("Blochează toate"));
    lockAll_->setSymbol(all ? QStringLiteral("lock.open") : QStringLiteral("lock.fill"));

    place(teeth_, m.teeth(), M::amountLabel(m.teeth(), true));
    place(faceLevel_, m.faceLevel(), M::amountLabel(m.faceLevel(), true));
    place(skinTexture_, m.skinTexture(), M::amountLabel(m.skinTexture(), false));
    place(skinClarity_, m.skinClarity(), M::amountLabel(m.skinClarity(), false));
    place(skinSharpness_, m.skinSharpness(), M::amountLabel(m.skinSharpness(), false));
    if (subject_->isChecked() != m.subjectOn()) subject_->setChecked(m.subjectOn());

    undo_->setEnabled(m.canUndo());
    redo_->setEnabled(m.canRedo());
    reset_->setEnabled(m.canReset());
}

}  // namespace orvane::projects
