#pragma once
// The sheet "Învață din acest proiect": explains what learning from a finished project does, checks
// that the project's profile still exists and that no profile trains now, and hands the work to the
// application model, which runs it in the background (its progress shows in the side rail).
#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "app/kit/sheet_background.h"
#include "core/store/project.h"
#include "core/style/profile.h"

class QLabel;

namespace orvane::model {
class AppModel;
}

namespace orvane::kit {
class KitButton;
class SheetCloseButton;
}  // namespace orvane::kit

namespace orvane::library {

class LearnSheetModel final : public QObject {
    Q_OBJECT
public:
    using OnDone = std::function<void(int)>;
    LearnSheetModel(model::AppModel& app, Project project, std::optional<std::filesystem::path> catalog,
                    std::optional<std::set<std::string>> only, OnDone onDone, QObject* parent = nullptr);

    std::optional<Profile> profile() const;
    QString subtitle() const;
    // A profile trains now: learning would be refused, so "Pornește" waits.
    bool building() const;
    bool canStart() const { return profile().has_value() && !building(); }
    // The short note beside the buttons while a profile trains; empty otherwise.
    QString note() const;

    // "Pornește" (no chosen catalog) or the catalog chosen by hand; then the sheet goes.
    void startLearning(const std::optional<std::filesystem::path>& chosen = std::nullopt);
    // "Alege catalogul…": a cancelled panel changes nothing.
    void chooseCatalog();
    void dismiss();

signals:
    void changed();
    void dismissRequested();

private:
    model::AppModel& app_;
    Project project_;
    std::optional<std::filesystem::path> catalog_;
    std::optional<std::set<std::string>> only_;
    OnDone onDone_;
};

class LearnSheet final : public kit::GlassSheet {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 560;
    LearnSheet(model::AppModel& app, Project project, std::optional<std::filesystem::path> catalog = std::nullopt,
               std::optional<std::set<std::string>> only = std::nullopt, LearnSheetModel::OnDone onDone = {},
               QWidget* parent = nullptr);
    LearnSheetModel& model() { return *model_; }
    kit::SheetCloseButton* closeButton() const { return close_; }

signals:
    void dismissRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();
    LearnSheetModel* model_;
    QLabel* subtitle_ = nullptr;
    QLabel* note_ = nullptr;
    kit::KitButton* start_ = nullptr;
    kit::SheetCloseButton* close_ = nullptr;
};

}  // namespace orvane::library
