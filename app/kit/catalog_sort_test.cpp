// The catalog order: its setting rule, both stable sorts, and the picker writing the one setting that
// every catalog list reads.
#include "app/kit/catalog_sort.h"

#include <QMenu>

#include <gtest/gtest.h>

#include "app/kit/kit_test_fixture.h"
#include "app/kit/page_header.h"
#include "app/kit/text.h"

using namespace orvane;
using namespace orvane::kit;
using orvane::kit::testing::KitFixture;

namespace {
Date day(int n) { return Date(std::chrono::seconds(1'700'000'000 + std::int64_t(n) * 86'400)); }
TrainingCatalog training(const char* name, int n) {
    TrainingCatalog c;
    c.name = name;
    c.imported = day(n);
    return c;
}
FoundCatalog found(const char* path, int n) { return {path, 0, day(n)}; }
template <class T>
std::vector<std::string> names(const std::vector<T>& list) {
    std::vector<std::string> out;
    for (const auto& c : list) {
        if constexpr (std::is_same_v<T, FoundCatalog>)
            out.push_back(c.url.string());
        else
            out.push_back(c.name);
    }
    return out;
}
}  // namespace

TEST(CatalogSortRules, storedTextsAndTheSettingRule) {
    EXPECT_EQ(catalogSortFromStored("recent"), CatalogSort::recent);
    EXPECT_EQ(catalogSortFromStored("name"), CatalogSort::name);
    EXPECT_EQ(catalogSortFromStored("Name"), std::nullopt);
    EXPECT_EQ(catalogSortFromStored(""), std::nullopt);
    EXPECT_STREQ(storedText(CatalogSort::name), "name");

    FileDefaults d;
    EXPECT_EQ(catalogSortSetting(d), CatalogSort::recent);  // absent
    struct Row {
        Json stored;
        CatalogSort expected;
    };
    const Row rows[] = {{"name", CatalogSort::name}, {"Name", CatalogSort::recent}, {"NAME", CatalogSort::recent},
                        {"", CatalogSort::recent},   {"alfabetic", CatalogSort::recent}, {"recent", CatalogSort::recent},
                        {1, CatalogSort::recent}};
    for (const Row& r : rows) {
        d.set("catalogSort", r.stored);
        EXPECT_EQ(catalogSortSetting(d), r.expected) << r.stored.dump();
        EXPECT_EQ(d.value("catalogSort"), r.stored);  // never repaired
    }
}

TEST(CatalogSortRules, byNameNumbersByValueCaseSecondaryAndStable) {
    const auto sorted = sortTrainingCatalogs(
        {training("Nuntă 10", 0), training("Botez", 1), training("nuntă 2", 2), training("botez", 3), training("Album", 4)},
        CatalogSort::name);
    // "Botez" and "botez" are equal to the order and keep the order they came in.
    EXPECT_EQ(names(sorted), (std::vector<std::string>{"Album", "Botez", "botez", "nuntă 2", "Nuntă 10"}));
}

TEST(CatalogSortRules, newestFirstWithTiesInTheirIncomingOrder) {
    const auto sorted = sortTrainingCatalogs({training("a", 1), training("b", 5), training("c", 1), training("d", 3)},
                                             CatalogSort::recent);
    EXPECT_EQ(names(sorted), (std::vector<std::string>{"b", "d", "a", "c"}));
    const auto foundSorted =
        sortFoundCatalogs({found("/x/Vechi.lrcat", 1), found("/y/Nou.lrcat", 9), found("/z/Egal.lrcat", 1)}, CatalogSort::recent);
    EXPECT_EQ(names(foundSorted), (std::vector<std::string>{"/y/Nou.lrcat", "/x/Vechi.lrcat", "/z/Egal.lrcat"}));
}

TEST(CatalogSortRules, foundCatalogsGoByFileNameWithoutTheFolder) {
    const auto sorted = sortFoundCatalogs({found("/b/Studio.lrcat", 0), found("/a/Arhiva 2.lrcat", 0),
                                           found("/a/Studio.lrcat", 0), found("/c/Arhiva 10.lrcat", 0)},
                                          CatalogSort::name);
    // Two catalogs called Studio in different folders are a tie: incoming order.
    EXPECT_EQ(names(sorted),
              (std::vector<std::string>{"/a/Arhiva 2.lrcat", "/c/Arhiva 10.lrcat", "/b/Studio.lrcat", "/a/Studio.lrcat"}));
}

class CatalogSortPickers : public KitFixture {};

TEST_F(CatalogSortPickers, recentByDefaultAndAChoiceReachesEveryPicker) {
    auto* first = new CatalogSortPicker(window.get());
    auto* second = new CatalogSortPicker(window.get());
    second->move(0, 60);
    showWindow();
    EXPECT_EQ(first->label()->width(), 210);
    EXPECT_EQ(first->label()->textLabel()->text(), "Sortare: Recente");
    const QList<QAction*> items = first->menu()->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), "Recente");
    EXPECT_EQ(items[1]->text(), "Nume");
    EXPECT_FALSE(items[0]->icon().isNull());  // the check mark stands on the current order
    EXPECT_TRUE(items[1]->icon().isNull());

    items[1]->trigger();
    EXPECT_EQ(store->textValue("catalogSort"), "name");
    EXPECT_EQ(second->current(), CatalogSort::name);
    EXPECT_EQ(second->label()->textLabel()->text(), "Sortare: Nume");
    EXPECT_FALSE(second->menu()->actions()[1]->icon().isNull());
}

TEST_F(CatalogSortPickers, anUnknownStoredTextShowsRecentAndStaysUntilAChoice) {
    store->set("catalogSort", "Name");
    CatalogSortPicker picker;
    EXPECT_EQ(picker.label()->textLabel()->text(), "Sortare: Recente");
    EXPECT_EQ(store->textValue("catalogSort"), "Name");
    picker.menu()->actions()[0]->trigger();
    EXPECT_EQ(store->textValue("catalogSort"), "recent");
    store->set("language", "en");
    EXPECT_EQ(picker.label()->textLabel()->text(), "Sort: Recent");
}
