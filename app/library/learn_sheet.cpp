#include "app/library/learn_sheet.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

#include "app/kit/buttons.h"
#include "app/kit/cards.h"
#include "app/kit/dialogs.h"
#include "app/kit/localization.h"
#include "app/kit/sheet_host.h"
#include "app/library/library_texts.h"
#include "app/library/library_widgets.h"
#include "app/model/app_model.h"

namespace orvane::library {

LearnSheetModel::LearnSheetModel(model::AppModel& app, Project project, std::optional<std::filesystem::path> catalog,
                                 std::optional<std::set<std::string>> only, OnDone onDone, QObject* parent)
    : QObject(parent),
      app_(app),
      project_(std::move(project)),
      catalog_(std::move(catalog)),
      only_(std::move(only)),
      onDone_(std::move(onDone)) {
    connect(&app_, &model::AppModel::profilesChanged, this, &LearnSheetModel::changed);
    connect(&app_, &model::AppModel::profileBuildChanged, this, &LearnSheetModel::changed);
}

std::optional<Profile> LearnSheetModel::profile() const {
    const auto& list = app_.profiles();
    const auto it = std::find_if(list.begin(), list.end(), [&](const Profile& p) { return p.id == project_.profileID; });
    if (it == list.end()) return std::nullopt;
    return *it;
}

QString LearnSheetModel::subtitle() const {
    const auto p = profile();
    if (!p) return {};
    return kit::localized("Profilul „%1” se actualizează cu editările tale finale").arg(QString::fromStdString(p->name));
}

bool LearnSheetModel::building() const { return app_.profileBuild().has_value(); }

QString LearnSheetModel::note() const {
    return building() ? kit::localized("Un profil se antrenează acum. Poți porni după ce se termină.") : QString();
}

void LearnSheetModel::startLearning(const std::optional<std::filesystem::path>& chosen) {
    if (!canStart()) return;
    app_.learnFromProject(project_, catalog_, chosen, only_, onDone_);
    emit dismissRequested();
}

void LearnSheetModel::chooseCatalog() {
    if (!canStart()) return;
    const QStringList files = kit::dialogs().chooseFiles(
        QString::fromUtf8("Alege catalogul Lightroom (.lrcat) în care ai corectat proiectul"), {QStringLiteral("lrcat")}, false);
    if (files.isEmpty()) return;
    startLearning(std::filesystem::path(files.front().toStdString()));
}

void LearnSheetModel::dismiss() { emit dismissRequested(); }

LearnSheet::LearnSheet(model::AppModel& app, Project project, std::optional<std::filesystem::path> catalog,
                       std::optional<std::set<std::string>> only, LearnSheetModel::OnDone onDone, QWidget* parent)
    : kit::GlassSheet(false, parent) {
    setProperty("sheetTitle", text("Învață din acest proiect"));
    setFixedWidth(sheetWidth);
    model_ = new LearnSheetModel(app, std::move(project), std::move(catalog), std::move(only), std::move(onDone), this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(24, 24, 24, 24);
    outer->setSpacing(16);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    const SheetHeading heading =
        sheetHeading(QStringLiteral("brain.head.profile"), text("Învață din acest proiect"), "subtitle");
    auto* header = heading.row;
    subtitle_ = heading.subtitle;
    header->addStretch(1);
    header->addSpacing(kit::SheetCloseButton::circle);
    outer->addLayout(header);

    auto* explanation = kit::selectableLabel(
        kit::localized("După ce ai terminat corecturile în Lightroom, aplicația caută catalogul în care sunt fotografiile "
                       "proiectului, îl adaugă la profil și reantrenează modelul. Lucrează în fundal: poți continua să "
                       "folosești aplicația, iar progresul apare în bara din stânga. Lightroom poate rămâne deschis; "
                       "salvează catalogul înainte (se scrie singur)."),
        12, QFont::Normal, true);
    explanation->setWordWrap(true);
    outer->addWidget(explanation);

    note_ = kit::selectableLabel(QString(), 11, QFont::Normal, true);
    note_->setObjectName("note");
    note_->setWordWrap(true);
    outer->addWidget(note_);

    auto* buttons = new QWidget;
    buttons->setProperty("controlSize", "large");
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    auto* choose = new kit::KitButton(text("Alege catalogul…"), kit::ButtonLook::outline);
    choose->setObjectName("chooseCatalog");
    connect(choose, &QAbstractButton::clicked, model_, &LearnSheetModel::chooseCatalog);
    row->addWidget(choose);
    row->addStretch(1);
    auto* cancel = new kit::KitButton(text("Anulează"), kit::ButtonLook::outline);
    cancel->setObjectName("cancel");
    connect(cancel, &QAbstractButton::clicked, model_, &LearnSheetModel::dismiss);
    row->addWidget(cancel);
    start_ = new kit::KitButton(text("Pornește"), kit::ButtonLook::accent);
    start_->setObjectName("start");
    connect(start_, &QAbstractButton::clicked, model_, [this] { model_->startLearning(); });
    row->addWidget(start_);
    outer->addWidget(buttons);
    choose->setProperty("startButton", QVariant::fromValue<QObject*>(start_));

    close_ = kit::SheetCloseButton::overlay(this);
    connect(close_, &kit::SheetCloseButton::clicked, model_, &LearnSheetModel::dismiss);
    connect(model_, &LearnSheetModel::changed, this, [this, choose] {
        refresh();
        choose->setEnabled(model_->canStart());
    });
    connect(model_, &LearnSheetModel::dismissRequested, this, &LearnSheet::dismissRequested);
    refresh();
    choose->setEnabled(model_->canStart());
}

void LearnSheet::refresh() {
    subtitle_->setText(model_->subtitle());
    note_->setText(model_->note());
    note_->setVisible(!model_->note().isEmpty());
    start_->setEnabled(model_->canStart());
}

void LearnSheet::keyPressEvent(QKeyEvent* event) {
    const bool handled = handleSheetKeys(event, [this] { model_->startLearning(); }, [this] { model_->dismiss(); });
    if (!handled) kit::GlassSheet::keyPressEvent(event);
}

}  // namespace orvane::library
