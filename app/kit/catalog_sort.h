#pragma once
// The order of every list of Lightroom catalogs: newest first or by name, one application-wide setting
// ("catalogSort"), so choosing it in one list orders them all. Each list reads the setting, sorts with
// the function for its records and shows a CatalogSortPicker.
#include <QWidget>

#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "core/catalog/catalog_finder.h"
#include "core/catalog/catalog_records.h"

class QMenu;

namespace orvane {
class Defaults;
}

namespace orvane::kit {

class DropdownLabel;

enum class CatalogSort { recent, name };
inline constexpr std::array<CatalogSort, 2> allCatalogSorts{CatalogSort::recent, CatalogSort::name};

// Exactly "recent" or "name"; any other text is no order.
std::optional<CatalogSort> catalogSortFromStored(std::string_view text);
const char* storedText(CatalogSort sort);
// "Recente" or "Nume", in the user's language.
QString catalogSortTitle(CatalogSort sort);

// The setting as every list reads it: exactly "name" is by name; anything else (absent, another word, a
// different case, another type) is newest first. The stored value is never repaired.
CatalogSort catalogSortSetting(const Defaults& defaults);
void storeCatalogSort(Defaults& defaults, CatalogSort sort);

// The order of catalog names: the current locale's, letter case ignored, runs of digits by their value
// ("Nuntă 2" before "nuntă 10").
int compareCatalogNames(std::string_view a, std::string_view b);

// Stable sorts: elements that compare equal keep the order they came in. By name, found catalogs go by
// their file name without its extension; newest first goes by the import date of a training catalog and
// the modification date of a found one.
std::vector<TrainingCatalog> sortTrainingCatalogs(std::vector<TrainingCatalog> catalogs, CatalogSort sort);
std::vector<FoundCatalog> sortFoundCatalogs(std::vector<FoundCatalog> catalogs, CatalogSort sort);

// A 210-wide DropdownLabel "Sortare: <order>" that opens a menu of the two orders, the current one
// checked; picking one stores it in the kit's settings store at once.
class CatalogSortPicker : public QWidget {
    Q_OBJECT
public:
    explicit CatalogSortPicker(QWidget* parent = nullptr);
    CatalogSort current() const;
    DropdownLabel* label() const { return label_; }
    // The menu, its items refreshed for the current order (it opens from the label on a click).
    QMenu* menu() const;

private:
    void refresh();

    DropdownLabel* label_;
    QMenu* menu_;
};

}  // namespace orvane::kit
