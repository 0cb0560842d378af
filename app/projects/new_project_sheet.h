#pragma once
// The new-project sheet: name, source (a folder of raw photos, or a catalog dropped on the window),
// profile chips and the create button, drawn over NewProjectModel.
#include <QPointer>

#include <functional>

#include "app/kit/sheet_background.h"
#include "app/projects/new_project_model.h"

class QBoxLayout;
class QLineEdit;
class QVBoxLayout;

namespace orvane::kit {
class KitButton;
class SheetCloseButton;
}  // namespace orvane::kit

namespace orvane::projects {

class NewProjectSheet final : public kit::GlassSheet {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 560;

    // Opens over the model: takes a dropped item from the router, preselects the profile.
    NewProjectSheet(model::AppModel& app, model::Router& router, NewProjectModel::Created created,
                    NewProjectServices services = NewProjectServices::standard(), QWidget* parent = nullptr);
    ~NewProjectSheet() override;

    NewProjectModel& model() { return *model_; }
    kit::SheetCloseButton* closeButton() const { return close_; }

    // The panels of the source sections.
    void pickRawFolder();
    void pickCatalogFile();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    QWidget* folderSection();
    QWidget* catalogSection();
    QWidget* profilePicker();

    model::AppModel& app_;
    NewProjectModel* model_;
    std::function<void()> restyle_;
    QLineEdit* name_ = nullptr;
    QVBoxLayout* source_ = nullptr;   // holds the current section
    QVBoxLayout* profiles_ = nullptr;  // holds the chips
    QWidget* sourceWidget_ = nullptr;
    QWidget* profileWidget_ = nullptr;
    kit::KitButton* create_ = nullptr;
    kit::SheetCloseButton* close_ = nullptr;
    bool targeted_ = false;
};

}  // namespace orvane::projects
