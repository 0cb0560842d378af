#pragma once
// The catalog library screen: the imported catalogs in a table with their counts, the profile being
// improved with the catalogs it trains on, its update, the removal of copies and the import sheet,
// drawn over LibraryModel.
#include <QPointer>
#include <QWidget>

#include "app/library/import_catalogs_sheet.h"
#include "app/library/import_sheet_model.h"
#include "app/library/library_model.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QVBoxLayout;

namespace orvane::kit {
class KitButton;
class PageHeader;
class SheetHost;
}  // namespace orvane::kit

namespace orvane::library {


class LibraryView final : public QWidget {
    Q_OBJECT
public:
    // The import sheet shows in `host` (a host of its own over this screen when none is given).
    LibraryView(model::AppModel& app, model::Router& router, kit::SheetHost* host = nullptr,
                ImportSheetServices services = ImportSheetServices::standard(), QWidget* parent = nullptr);
    ~LibraryView() override;

    LibraryModel& model() { return *model_; }
    ImportCatalogsSheet* importSheet() const { return sheet_; }
    QMenu* profileMenu() const { return profileMenu_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void refreshProfileBar();
    void refreshTable();
    void syncImportSheet();
    QWidget* makeRow(const TrainingCatalog& catalog, bool first);

    LibraryModel* model_;
    model::AppModel& app_;
    model::Router& router_;
    QPointer<kit::SheetHost> host_;
    ImportSheetServices services_;
    QPointer<ImportCatalogsSheet> sheet_;
    kit::PageHeader* header_ = nullptr;
    kit::KitButton* remove_ = nullptr;
    kit::KitButton* build_ = nullptr;
    QWidget* filled_ = nullptr;   // everything shown while the library has catalogs
    QWidget* emptyCard_ = nullptr;
    QLabel* guidance_ = nullptr;
    QWidget* profileBar_ = nullptr;
    QMenu* profileMenu_ = nullptr;
    QLineEdit* search_ = nullptr;
    QCheckBox* incomplete_ = nullptr;
    QVBoxLayout* rows_ = nullptr;
};

}  // namespace orvane::library
