#pragma once
// Finding the Lightroom Classic catalogs on this machine, newest first, so nobody has to browse for a
// ".lrcat" file. Linux has no desktop-wide metadata index to ask: the file-name database of
// locate/plocate answers when it is installed, else a bounded walk of the home folder and the mounted
// media does.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/iso_date.h"

namespace orvane {

struct FoundCatalog {
    std::filesystem::path url;
    std::int64_t size = 0;  // bytes; 0 when not reported
    Date modified{};        // Date::min() when not reported

    std::string id() const { return url.string(); }
    // The file name without its extension, as the user knows the catalog.
    std::string name() const { return url.stem().string(); }
    std::string folder() const { return url.parent_path().string(); }

    bool operator==(const FoundCatalog&) const = default;
};

// Where the paths of possible catalogs come from. paths() is absent when the source cannot answer
// (the tool is missing or failed), so the caller can ask another.
class CatalogSource {
public:
    virtual ~CatalogSource() = default;
    virtual std::optional<std::vector<std::string>> paths() const = 0;
};

// The locate database: `<program> -i -b *.lrcat`, output read to its end. Absent when the program
// cannot be started or exits with a failure (no database, or no match at all).
class LocateSource final : public CatalogSource {
public:
    explicit LocateSource(std::filesystem::path program) : program_(std::move(program)) {}
    // plocate or locate on the PATH, if either is there.
    static std::optional<std::filesystem::path> installed();
    std::optional<std::vector<std::string>> paths() const override;

private:
    std::filesystem::path program_;
};

// A walk of a few folders for files named "*.lrcat" (any case): hidden folders and folder links are
// not entered, at most `maxDepth` folders deep, and the walk stops with what it has once `budget`
// has passed.
class WalkSource final : public CatalogSource {
public:
    explicit WalkSource(std::vector<std::filesystem::path> roots, int maxDepth = 8,
                        std::chrono::milliseconds budget = std::chrono::seconds(15))
        : roots_(std::move(roots)), maxDepth_(maxDepth), budget_(budget) {}
    // $HOME, and the mount folders of removable media: /media/$USER, /run/media/$USER, /mnt.
    static std::vector<std::filesystem::path> defaultRoots();
    std::optional<std::vector<std::string>> paths() const override;

private:
    std::vector<std::filesystem::path> roots_;
    int maxDepth_;
    std::chrono::milliseconds budget_;
};

namespace CatalogFinder {

// Ends in ".lrcat" and lies outside backups, the system's own data folders, caches and the trash.
// Looks at the text only.
bool isCandidate(std::string_view path);

// The candidates of the source that are regular files, newest first (ties keep the source's order).
// Never throws: problems give fewer entries.
std::vector<FoundCatalog> scan(const CatalogSource& source);
// The same over the locate database when it answers, else over a walk of the default roots.
std::vector<FoundCatalog> scan();

}  // namespace CatalogFinder

}  // namespace orvane
