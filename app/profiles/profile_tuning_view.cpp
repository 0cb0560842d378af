#include "app/profiles/profile_tuning_view.h"

#include <QHBoxLayout>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/form.h"
#include "app/kit/slider.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/kit/tooltips.h"
#include "app/profiles/profile_detail_parts.h"
#include "core/store/preset_keys.h"

namespace orvane::profiles {

namespace {

QVBoxLayout* group(QVBoxLayout* into, const QString& title) {
    auto* box = new QVBoxLayout;
    box->setSpacing(12);
    box->addWidget(sectionHeader(title));
    into->addLayout(box);
    return box;
}

}  // namespace

ProfileTuningEditor::ProfileTuningEditor(const std::filesystem::path& preset, const ProfileTuning& initial,
                                         ProfileTuningModel::Saved onSave, QWidget* parent)
    : QWidget(parent) {
    model_ = new ProfileTuningModel(preset, initial, std::move(onSave), this);
    model_->loadPreset();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(16);

    const ProfileTuning& t = model_->working();
    auto* balance = group(column, QString::fromUtf8("Balans de alb"));
    temperature_ = new kit::SliderRow(QString::fromUtf8("Temperatură"), std::nullopt, t.basic.temperature, -1500, 1500, 50, 0);
    temperature_->setHint(QString::fromUtf8("peste valoarea calculată"));
    temperature_->setTrack(temperatureTrack());
    tint_ = new kit::SliderRow(QString::fromUtf8("Nuanță"), std::nullopt, t.basic.tint, -50, 50, 1, 0);
    tint_->setHint(QString::fromUtf8("peste Tint-ul din cameră"));
    tint_->setTrack(tintTrack());
    balance->addWidget(temperature_);
    balance->addWidget(tint_);

    auto* light = group(column, QString::fromUtf8("Lumină"));
    exposure_ = new kit::SliderRow(QString::fromUtf8("Expunere"), std::nullopt, t.exposure, -3, 3, 0.05, 0);
    exposure_->setHint(QString::fromUtf8("peste valoarea calculată"));
    light->addWidget(exposure_);

    detail_ = new kit::ToolGroup(QString::fromUtf8("Detaliu și culoare"), QStringLiteral("sparkles"), false);
    const auto& keys = PresetKeys::all();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string key = keys[i].key;
        const double base = double(model_->presetValue(key));
        auto* row = new kit::SliderRow(QString::fromStdString(keys[i].title), std::nullopt,
                                       double(model_->currentValue(key)), -100, 100, 1, base);
        presetRows_[key] = row;
        if (i < 5) {
            light->addWidget(row);
        } else {
            detail_->addTool(row);
        }
        connect(row, &kit::SliderRow::valueEdited, this, [this, key](double v) { model_->setPresetKey(key, v); });
        connect(row, &kit::SliderRow::committed, model_, &ProfileTuningModel::commit);
    }
    column->addWidget(detail_);
    column->addWidget(divider());

    connect(temperature_, &kit::SliderRow::valueEdited, model_, &ProfileTuningModel::setTemperature);
    connect(tint_, &kit::SliderRow::valueEdited, model_, &ProfileTuningModel::setTint);
    connect(exposure_, &kit::SliderRow::valueEdited, model_, &ProfileTuningModel::setExposure);
    for (auto* row : {temperature_, tint_, exposure_})
        connect(row, &kit::SliderRow::committed, model_, &ProfileTuningModel::commit);

    auto* bar = new QHBoxLayout;
    bar->setSpacing(8);
    undo_ = new kit::SymbolButton(QStringLiteral("arrow.uturn.backward.circle"), 16);
    undo_->setObjectName("undo");
    kit::quickTip(undo_, QString::fromUtf8("Anulează (⌘Z)"));
    redo_ = new kit::SymbolButton(QStringLiteral("arrow.uturn.forward.circle"), 16);
    redo_->setObjectName("redo");
    kit::quickTip(redo_, QString::fromUtf8("Refă (⇧⌘Z)"));
    reset_ = new kit::KitButton(QString::fromUtf8("Resetează tot"), kit::ButtonLook::outline);
    reset_->setObjectName("reset");
    reset_->setProperty("controlSize", "small");
    savedStatus_ = new QWidget;
    savedStatus_->setObjectName("savedStatus");
    auto* savedRow = new QHBoxLayout(savedStatus_);
    savedRow->setContentsMargins(0, 0, 0, 0);
    savedRow->setSpacing(4);
    auto* check = new kit::SymbolView(QStringLiteral("checkmark.circle.fill"), 12, 14);
    check->setInk(kit::okColor);
    savedRow->addWidget(check);
    savedRow->addWidget(textLabel(QString::fromUtf8("Salvat"), 12, QFont::Normal, kit::okColor));
    save_ = new kit::KitButton(QString::fromUtf8("Salvează"), kit::ButtonLook::accent);
    save_->setObjectName("save");
    bar->addWidget(undo_);
    bar->addWidget(redo_);
    bar->addWidget(reset_);
    bar->addStretch(1);
    bar->addWidget(savedStatus_);
    bar->addWidget(save_);
    column->addLayout(bar);
    unsaved_ = wrappingLabel(QString::fromUtf8("Modificări nesalvate. După „Salvează”, ajustarea se aplică la toate "
                                               "proiectele cu acest profil, la următoarea editare sau reeditare."),
                             kit::mutedColor, false);
    unsaved_->setObjectName("unsaved");
    column->addWidget(unsaved_);

    connect(undo_, &QAbstractButton::clicked, model_, &ProfileTuningModel::undo);
    connect(redo_, &QAbstractButton::clicked, model_, &ProfileTuningModel::redo);
    connect(reset_, &QAbstractButton::clicked, model_, &ProfileTuningModel::reset);
    connect(save_, &QAbstractButton::clicked, model_, &ProfileTuningModel::save);
    auto shortcut = [this](QKeySequence keys, auto slot, auto enabled) {
        auto* s = new QShortcut(keys, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, [this, slot, enabled] {
            if ((model_->*enabled)()) (model_->*slot)();
        });
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), &ProfileTuningModel::undo, &ProfileTuningModel::canUndo);
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &ProfileTuningModel::redo, &ProfileTuningModel::canRedo);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_S), &ProfileTuningModel::save, &ProfileTuningModel::isUnsaved);

    connect(model_, &ProfileTuningModel::changed, this, &ProfileTuningEditor::refresh);
    refresh();
}

void ProfileTuningEditor::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) model_->loadPreset();
}

void ProfileTuningEditor::refresh() {
    const ProfileTuning& t = model_->working();
    auto place = [](kit::SliderRow* row, double value, const QString& label) {
        if (row->value() != value) row->setValue(value);
        row->setLabel(label);
    };
    place(temperature_, t.basic.temperature, ProfileTuningModel::temperatureLabel(t.basic.temperature));
    place(tint_, t.basic.tint, ProfileTuningModel::tintLabel(t.basic.tint));
    place(exposure_, t.exposure, ProfileTuningModel::exposureLabel(t.exposure));
    for (const auto& [key, row] : presetRows_) {
        const double base = double(model_->presetValue(key));
        if (row->neutral() != base) row->setNeutral(base);
        const std::int64_t value = model_->currentValue(key);
        place(row, double(value), ProfileTuningModel::presetLabel(value));
        row->setHint(model_->presetHint(key));
        row->setChanged(model_->hasOverride(key));
    }
    undo_->setEnabled(model_->canUndo());
    redo_->setEnabled(model_->canRedo());
    reset_->setEnabled(model_->canReset());
    save_->setEnabled(model_->isUnsaved());
    savedStatus_->setVisible(model_->showsSaved());
    unsaved_->setVisible(model_->isUnsaved());
}

}  // namespace orvane::profiles
