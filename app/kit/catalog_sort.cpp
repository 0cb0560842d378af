#include "app/kit/catalog_sort.h"

#include <QHBoxLayout>
#include <QMenu>

#include <algorithm>

#include "app/kit/icons.h"
#include "app/kit/kit_settings.h"
#include "app/kit/localization.h"
#include "app/kit/page_header.h"
#include "app/kit/palette.h"
#include "app/kit/appearance.h"
#include "core/base/defaults.h"
#include "core/base/natural_order.h"

namespace orvane::kit {

std::optional<CatalogSort> catalogSortFromStored(std::string_view text) {
    if (text == "recent") return CatalogSort::recent;
    if (text == "name") return CatalogSort::name;
    return std::nullopt;
}

const char* storedText(CatalogSort sort) { return sort == CatalogSort::name ? "name" : "recent"; }

QString catalogSortTitle(CatalogSort sort) { return localized(sort == CatalogSort::name ? "Nume" : "Recente"); }

CatalogSort catalogSortSetting(const Defaults& defaults) {
    return defaults.textValue(DefaultsKeys::catalogSort) == std::optional<std::string>("name") ? CatalogSort::name
                                                                                                : CatalogSort::recent;
}

void storeCatalogSort(Defaults& defaults, CatalogSort sort) { defaults.set(DefaultsKeys::catalogSort, storedText(sort)); }

int compareCatalogNames(std::string_view a, std::string_view b) { return NaturalOrder::collate(a, b); }

std::vector<TrainingCatalog> sortTrainingCatalogs(std::vector<TrainingCatalog> catalogs, CatalogSort sort) {
    if (sort == CatalogSort::name)
        std::stable_sort(catalogs.begin(), catalogs.end(), [](const TrainingCatalog& a, const TrainingCatalog& b) {
            return compareCatalogNames(a.name, b.name) < 0;
        });
    else
        std::stable_sort(catalogs.begin(), catalogs.end(),
                         [](const TrainingCatalog& a, const TrainingCatalog& b) { return a.imported > b.imported; });
    return catalogs;
}

std::vector<FoundCatalog> sortFoundCatalogs(std::vector<FoundCatalog> catalogs, CatalogSort sort) {
    if (sort == CatalogSort::name)
        std::stable_sort(catalogs.begin(), catalogs.end(), [](const FoundCatalog& a, const FoundCatalog& b) {
            return compareCatalogNames(a.name(), b.name()) < 0;
        });
    else
        std::stable_sort(catalogs.begin(), catalogs.end(),
                         [](const FoundCatalog& a, const FoundCatalog& b) { return a.modified > b.modified; });
    return catalogs;
}

CatalogSortPicker::CatalogSortPicker(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    label_ = new DropdownLabel(QString(), 210);
    row->addWidget(label_);
    menu_ = new QMenu(this);
    for (CatalogSort sort : allCatalogSorts) {
        QAction* action = menu_->addAction(QString());
        connect(action, &QAction::triggered, this, [sort] { storeCatalogSort(KitSettings::instance().defaults(), sort); });
    }
    connect(label_, &QAbstractButton::clicked, this, [this] {
        refresh();
        menu_->popup(label_->mapToGlobal(QPoint(0, label_->height() + 4)));
    });
    connect(&KitSettings::instance(), &KitSettings::changed, this, [this](const QString& key) {
        if (key == QLatin1String(DefaultsKeys::catalogSort) || key == QLatin1String("language") ||
            key == QLatin1String("accentIndex") || key == QLatin1String("appearance"))
            refresh();
    });
    connect(&Appearance::instance(), &Appearance::changed, this, &CatalogSortPicker::refresh);
    refresh();
}

CatalogSort CatalogSortPicker::current() const { return catalogSortSetting(KitSettings::instance().defaults()); }

QMenu* CatalogSortPicker::menu() const {
    const_cast<CatalogSortPicker*>(this)->refresh();
    return menu_;
}

void CatalogSortPicker::refresh() {
    const CatalogSort now = current();
    label_->setText(localized("Sortare") + QStringLiteral(": ") + catalogSortTitle(now));
    const auto actions = menu_->actions();
    const QColor ink = primaryLabelColor.resolve(Appearance::instance().isDark());
    for (std::size_t i = 0; i < allCatalogSorts.size() && i < std::size_t(actions.size()); ++i) {
        QAction* action = actions[qsizetype(i)];
        action->setText(catalogSortTitle(allCatalogSorts[i]));
        // The current order carries a check mark before its title; the other shows its title alone.
        action->setIcon(allCatalogSorts[i] == now ? QIcon(icons::pixmap(QStringLiteral("checkmark"), QSize(14, 14), ink, 2.0))
                                                  : QIcon());
    }
}

}  // namespace orvane::kit
