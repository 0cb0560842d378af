#pragma once
// The saved versions of a project's settings, without widgets: one row per version of the project's
// history (oldest first, as the job appends them), with its title, its date line, the one-line account
// of what it changes and whether it equals the project's settings now; the rename of a version and the
// request to go back to one, which the owner of the list carries out. Main thread only.
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/projects/job_adapter.h"
#include "core/pipeline/job.h"

namespace orvane::projects {

// What a version changes: the labels that apply, joined by " · "; "Fără modificări" when none does.
// The fixed temperature and exposure do not count.
QString versionDescription(const EditVersion& version);
// A version's date: medium date and short time in the current locale (one formatter for the process).
QString versionDateText(Date date);

class VersionHistoryModel final : public QObject {
    Q_OBJECT
public:
    struct Row {
        EditVersion version;
        QString title;                  // the name, or the date when unnamed
        std::optional<QString> dateLine;  // the date under a name
        QString description;
        bool current = false;           // "Curentă", and "Revino" disabled
    };
    using Restore = std::function<void(const EditVersion& version)>;

    VersionHistoryModel(std::shared_ptr<Job> job, Restore onRestore, QObject* parent = nullptr);

    // Evaluated afresh at every call against the project as it is now.
    std::vector<Row> rows() const;

    // "Revino": hands the version to the owner; nothing else happens here.
    void restore(const EditVersion& version);

    // The rename dialog: opened with the version's name (empty without one), saved through the job
    // (trimmed; blank removes the name), closed either way.
    void beginRename(const EditVersion& version);
    const std::optional<EditVersion>& renaming() const { return renaming_; }
    const QString& newName() const { return newName_; }
    void setNewName(const QString& name) { newName_ = name; }
    void saveRename();
    void cancelRename() { renaming_.reset(); }

signals:
    // The project changed: rows, current marks or names.
    void changed();

private:
    std::shared_ptr<Job> job_;
    JobAdapter adapter_;
    Restore onRestore_;
    std::optional<EditVersion> renaming_;
    QString newName_;
};

}  // namespace orvane::projects
