#include "core/catalog/catalog_writer.h"

#include <array>
#include <string_view>

namespace orvane::CatalogWriter {

namespace fs = std::filesystem;

// ---- WriteError ----

WriteError WriteError::notWritable(std::string message) {
    const std::string text = "Catalogul nu se poate scrie: " + message;
    return WriteError(Kind::notWritable, std::move(message), text);
}

WriteError WriteError::integrity(std::string message) {
    const std::string text = "Verificarea catalogului a eșuat: " + message;
    return WriteError(Kind::integrity, std::move(message), text);
}

WriteError WriteError::lightroomOpen() {
    return WriteError(Kind::lightroomOpen, {}, "Închide Lightroom Classic înainte de a scrie în catalog.");
}

// ---- basics ----

bool isLocked(const fs::path& catalog) {
    std::error_code ec;
    return fs::exists(fs::path(catalog.string() + ".lock"), ec);
}

bool isUsableSource(const fs::path& catalog) {
    static constexpr std::array<std::string_view, 4> marks = {"/Vendrel/", "/OrvaneStudio/", ".bak-OrvaneStudio",
                                                              ".bak-Vendrel"};
    const std::string path = catalog.string();
    for (const auto mark : marks)
        if (path.find(mark) != std::string::npos) return false;
    return true;
}

void exec(const Sqlite::Connection& db, const std::string& sql) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db.handle(), sql.c_str(), nullptr, nullptr, &error);
    if (rc == SQLITE_OK) return;
    std::string message = error && *error ? error : "?";
    sqlite3_free(error);
    throw WriteError::notWritable(std::move(message));
}

std::optional<std::string> scalar(const Sqlite::Connection& db, const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db.handle(), sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK || !stmt) {
        sqlite3_finalize(stmt);
        return std::nullopt;
    }
    std::optional<std::string> result;
    if (sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_type(stmt, 0) != SQLITE_NULL) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        if (text) result.emplace(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, 0)));
    }
    sqlite3_finalize(stmt);
    return result;
}

}  // namespace orvane::CatalogWriter
