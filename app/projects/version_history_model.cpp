#include "app/projects/version_history_model.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>

#include "app/kit/localization.h"

namespace orvane::projects {

namespace {
QString loc(const char* romanian) { return kit::localized(romanian); }
QString amount(std::int64_t n) { return QString::number(n); }
}  // namespace

QString versionDescription(const EditVersion& v) {
    QStringList labels;
    if (v.profileCorrection.value_or(false)) labels << loc("Corecție de profil");
    if (v.noiseReduction.value_or(false)) labels << loc("Reducere zgomot");
    if (v.straighten.value_or(false)) labels << loc("Îndreptare");
    if (v.crop && v.crop->mode != CropSettings::Mode::none) labels << loc("Decupare");
    if (v.smartReframe.value_or(false)) labels << loc("Reîncadrare inteligentă");
    if (v.teethAmount && *v.teethAmount > 0) labels << loc("Albire dinți") + ' ' + amount(*v.teethAmount);
    if (v.faceLevelAmount && *v.faceLevelAmount > 0)
        labels << loc("Egalizează fețele") + ' ' + amount(*v.faceLevelAmount);
    if (v.subjectMaskAmount && *v.subjectMaskAmount > 0) labels << loc("Mască subiect");
    if (v.skinAmount && *v.skinAmount > 0) {
        const SkinParams skin = v.skinParams.value_or(SkinParams{});
        labels << loc("Netezire piele") + ' ' + amount(skin.texture) + '/' + amount(skin.clarity) + '/' +
                      amount(skin.sharpness);
    }
    const bool global = (v.basic && !v.basic->isZero()) || (v.globalExposure && *v.globalExposure != 0) ||
                        (v.presetOverrides && !v.presetOverrides->empty()) ||
                        (v.untouchedKeys && !v.untouchedKeys->empty());
    if (global) labels << loc("Ajustări globale");
    if (labels.isEmpty()) return loc("Fără modificări");
    return labels.join(QString::fromUtf8(" · "));
}

QString versionDateText(Date date) {
    // One locale for the life of the process, the one current when a date was first needed. A medium
    // date (abbreviated month) and a short time.
    static const QLocale locale;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count();
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(ms);
    return locale.toString(when.date(), QStringLiteral("d MMM yyyy")) + QStringLiteral(", ") +
           locale.toString(when.time(), QLocale::ShortFormat);
}

VersionHistoryModel::VersionHistoryModel(std::shared_ptr<Job> job, Restore onRestore, QObject* parent)
    : QObject(parent), job_(std::move(job)), adapter_(job_), onRestore_(std::move(onRestore)) {
    connect(&adapter_, &JobAdapter::projectChanged, this, &VersionHistoryModel::changed);
}

std::vector<VersionHistoryModel::Row> VersionHistoryModel::rows() const {
    std::vector<Row> rows;
    const Project& project = job_->project();
    if (!project.history) return rows;
    const EditVersion now = project.currentVersion();
    for (const EditVersion& v : *project.history) {
        Row row;
        row.version = v;
        const QString date = versionDateText(v.date);
        if (v.name) {
            row.title = QString::fromStdString(*v.name);
            row.dateLine = date;
        } else {
            row.title = date;
        }
        row.description = versionDescription(v);
        row.current = v.sameSettings(now);
        rows.push_back(std::move(row));
    }
    return rows;
}

void VersionHistoryModel::restore(const EditVersion& version) {
    if (onRestore_) onRestore_(version);
}

void VersionHistoryModel::beginRename(const EditVersion& version) {
    newName_ = version.name ? QString::fromStdString(*version.name) : QString();
    renaming_ = version;
}

void VersionHistoryModel::saveRename() {
    if (renaming_) job_->renameVersion(renaming_->id, newName_.toStdString());
    renaming_.reset();
}

}  // namespace orvane::projects
