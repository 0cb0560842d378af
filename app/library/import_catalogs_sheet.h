#pragma once
// The catalog import sheet: the found catalogs with their analysis, the search, the order, the ticks,
// the profile the imported catalogs join, and the footer with the import's progress, drawn over
// ImportSheetModel. It asks to go through dismissRequested; its presenter removes it.
#include "app/kit/sheet_background.h"
#include "app/library/import_sheet_model.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace orvane::kit {
class DropdownLabel;
class KitButton;
class SheetCloseButton;
}  // namespace orvane::kit

namespace orvane::library {

class ImportCatalogsSheet final : public kit::GlassSheet {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 720;
    static constexpr int listHeight = 340;

    // Starts the search for catalogs at once.
    ImportCatalogsSheet(model::AppModel& app, model::Router& router,
                        ImportSheetServices services = ImportSheetServices::standard(), QWidget* parent = nullptr);

    ImportSheetModel& model() { return *model_; }
    kit::SheetCloseButton* closeButton() const { return close_; }
    QMenu* profileMenu() const { return profileMenu_; }

signals:
    void dismissRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();
    void refreshList();
    QWidget* makeRow(const FoundCatalog& catalog);
    void fillProfileMenu();

    ImportSheetModel* model_;
    QLabel* status_ = nullptr;
    QWidget* spinner_ = nullptr;
    kit::DropdownLabel* profileLabel_ = nullptr;
    QMenu* profileMenu_ = nullptr;
    QLineEdit* search_ = nullptr;
    QPushButton* selectAll_ = nullptr;
    QWidget* listContent_ = nullptr;
    QVBoxLayout* list_ = nullptr;
    QCheckBox* invalidSwitch_ = nullptr;
    kit::KitButton* choose_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QLabel* progressText_ = nullptr;
    kit::KitButton* cancel_ = nullptr;
    kit::KitButton* import_ = nullptr;
    kit::SheetCloseButton* close_ = nullptr;
};

}  // namespace orvane::library
