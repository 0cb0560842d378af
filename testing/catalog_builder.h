#pragma once
// Test support: Lightroom Classic catalogs built in SQLite with the tables and columns the system
// reads and writes, develop-settings texts in Lightroom's Lua form, compressed history steps, the
// entity counter, WAL companions, the lock file and a page-corruption helper.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/catalog/sqlite.h"

namespace orvane::testing {

// Develop settings as Lightroom writes them: "s = { Key = value,\nKey2 = \"text\",\n… }", one entry a
// line, nested tables (curves, masks) opened on the entry's line with one element a line.
class DevelopText {
public:
    DevelopText& number(const std::string& key, double value);
    DevelopText& text(const std::string& key, const std::string& value);
    DevelopText& boolean(const std::string& key, bool value);
    // A list of numbers, as tone curves are stored.
    DevelopText& curve(const std::string& key, const std::vector<int>& points);
    // A nested table of named entries.
    DevelopText& table(const std::string& key, const DevelopText& nested);
    // A nested list of tables (mask groups, local corrections).
    DevelopText& list(const std::string& key, const std::vector<DevelopText>& items);
    // An entry written exactly as given, for malformed or unusual lines.
    DevelopText& verbatim(const std::string& entry);

    // The whole settings text, starting with "s = { ".
    std::string str() const;
    // The entries as the body of a nested table ("{ A = 1,\nB = 2 }").
    std::string tableText() const;

private:
    std::vector<std::string> entries_;
};

// A realistic develop-settings text of about `targetBytes` (full Lightroom key set, curves, a mask),
// different for every seed; edited unless `edited` is false (then every tone key is 0 and the white
// balance "As Shot").
std::string realisticDevelopText(std::uint64_t seed, std::size_t targetBytes = 4096, bool edited = true);

// Develop-settings texts as successive Lightroom generations wrote them, one per process version
// ("5.7" for 2010 through "15.4"): version-specific key sets, nested tables, curves, local corrections
// of the generation's form and strings holding escapes.
std::vector<std::string> generationDevelopTexts();

// History-step text as the catalog stores it: the text's length as a big-endian u32, then a zlib stream.
std::string compressHistoryText(std::string_view text);
// The reverse, checked: absent when the blob is short, the stream broken or the length wrong.
std::optional<std::string> decompressHistoryText(std::string_view blob);

// The develop-settings text of every photo of a catalog, in the catalog's order.
std::vector<std::string> settingsTexts(const std::filesystem::path& catalog);
// The number after `key = ` in a develop-settings text ("Exposure2012 = 0.6,"); none when absent.
std::optional<double> settingValue(const std::string& text, const std::string& key);

class CatalogBuilder {
public:
    struct Options {
        // Journal in WAL mode; while the builder is open the "-wal" and "-shm" files exist beside it.
        bool wal = false;
        std::int64_t firstEntityID = 1000;
    };

    // Creates a fresh catalog file (an existing one is replaced) with the tables.
    explicit CatalogBuilder(std::filesystem::path file);
    CatalogBuilder(std::filesystem::path file, Options options);
    ~CatalogBuilder();
    CatalogBuilder(const CatalogBuilder&) = delete;
    CatalogBuilder& operator=(const CatalogBuilder&) = delete;

    const std::filesystem::path& path() const { return file_; }
    const Sqlite::Connection& connection() const { return db_; }

    // Rows; every id_local is taken from the entity counter, as Lightroom does. Optional texts may be
    // NULL to build broken rows.
    std::int64_t rootFolder(const std::optional<std::string>& absolutePath);
    std::int64_t folder(std::int64_t root, const std::optional<std::string>& pathFromRoot);
    // A fresh upper-case UUID as id_global unless one is given (std::nullopt in `idGlobal` keeps it NULL
    // only when `nullID` is set).
    std::int64_t file(std::int64_t folder, const std::optional<std::string>& baseName,
                      const std::optional<std::string>& extension, const std::optional<std::string>& idGlobal = {},
                      bool nullID = false);
    std::int64_t image(std::int64_t file, const std::string& fileFormat = "RAW",
                       const std::optional<std::string>& copyName = {},
                       const std::optional<std::string>& captureTime = {});
    std::int64_t developSettings(std::int64_t image, const std::optional<std::string>& text);
    std::int64_t historyStep(std::int64_t image, const std::string& name, double dateCreated, std::string_view text);
    // A history step holding exactly the given bytes (broken or uncompressed blobs).
    std::int64_t historyBlob(std::int64_t image, const std::string& name, double dateCreated, std::string_view blob);
    // A before-settings row for a settings row; a NULL text when absent.
    std::int64_t beforeSettings(std::int64_t settingsID, const std::optional<std::string>& beforeText);
    // A keyword under `parent` (the root keyword when absent) with its genealogy; returns its id_local.
    std::int64_t keyword(const std::string& name, std::optional<std::int64_t> parent = std::nullopt);
    // A keyword row with the given id_local as it is, without genealogy or counter (odd rows).
    void keywordRow(std::int64_t idLocal, const std::string& name);
    std::int64_t rootKeyword() const { return rootKeyword_; }
    // Removes the entity counter row, as in a damaged catalog.
    void removeEntityCounter();

    // One photo in one call: root folder and folder rows are shared by path.
    struct Photo {
        std::string root = "/Photos/";
        std::string folder = "2024/";
        std::string baseName = "IMG_0001";
        std::string extension = "CR3";
        std::string fileFormat = "RAW";
        std::optional<std::string> captureTime = std::nullopt;
        std::optional<std::string> settings = std::nullopt;  // no develop-settings row when absent
        std::optional<std::string> fileID = std::nullopt;    // generated when absent
    };
    struct Ids {
        std::int64_t file = 0;
        std::int64_t image = 0;
        std::string fileID;
    };
    Ids photo(const Photo& p);
    // A virtual copy of an image (same master file, copyName set).
    std::int64_t virtualCopy(std::int64_t masterFile, const std::string& copyName = "Copy 1",
                             const std::optional<std::string>& settings = {});

    // Bulk inserts in one transaction.
    void begin();
    void commit();

    // The current value of the entity counter row.
    std::int64_t entityCounter() const;
    // Closes the connection (in WAL mode this checkpoints and removes the companions).
    void close();

private:
    std::int64_t nextID();
    void createSchema(bool wal);

    std::filesystem::path file_;
    Sqlite::Connection db_;
    std::int64_t counter_ = 0;
    std::vector<std::pair<std::string, std::int64_t>> roots_;
    std::vector<std::pair<std::string, std::int64_t>> folders_;  // key: "<root id>|<path>"
    std::uint64_t uuidCounter_ = 0;
    std::int64_t rootKeyword_ = 0;
};

// "<catalog>.lock", the file Lightroom Classic keeps beside an open catalog.
std::filesystem::path writeLockFile(const std::filesystem::path& catalog);

// Overwrites one page (numbered from 1) of an SQLite file with garbage; the page size is read from the
// file's header.
void corruptPage(const std::filesystem::path& file, std::int64_t page);
// Pages of a table or index in file order, leaf pages first if `leavesOnly` (needs the dbstat table).
std::vector<std::int64_t> pagesOf(const std::filesystem::path& file, const std::string& name, bool leavesOnly = false);

}  // namespace orvane::testing
