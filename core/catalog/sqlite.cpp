#include "core/catalog/sqlite.h"

#include <climits>
#include <utility>

namespace orvane::Sqlite {

namespace {

std::string messageOf(sqlite3* db, int rc) {
    if (db) return sqlite3_errmsg(db);
    return sqlite3_errstr(rc);
}

}  // namespace

Connection Connection::open(const std::string& name, int flags) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(name.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        SqliteError error(db ? sqlite3_extended_errcode(db) : rc, messageOf(db, rc));
        sqlite3_close(db);
        throw error;
    }
    return Connection(db);
}

Connection& Connection::operator=(Connection&& other) noexcept {
    if (this != &other) {
        sqlite3_close(db_);
        db_ = std::exchange(other.db_, nullptr);
    }
    return *this;
}

Connection::~Connection() {
    // Statements are finalised by their own destructors first; close_v2 would defer otherwise.
    sqlite3_close_v2(db_);
}

Statement Connection::prepare(std::string_view sql) const {
    if (sql.size() > static_cast<std::size_t>(INT_MAX)) throw SqliteError(SQLITE_TOOBIG, "statement too long");
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        throw SqliteError(sqlite3_extended_errcode(db_), messageOf(db_, rc));
    }
    if (!stmt) throw SqliteError(SQLITE_MISUSE, "empty statement");
    return Statement(stmt, db_);
}

void Connection::exec(const std::string& sql) const {
    char* error = nullptr;
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::string message = error ? error : messageOf(db_, rc);
        sqlite3_free(error);
        throw SqliteError(sqlite3_extended_errcode(db_), message);
    }
}

void Connection::busyTimeout(int milliseconds) const { sqlite3_busy_timeout(db_, milliseconds); }

std::string Connection::errorMessage() const { return messageOf(db_, SQLITE_MISUSE); }

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(stmt_);
        stmt_ = std::exchange(other.stmt_, nullptr);
        db_ = other.db_;
    }
    return *this;
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

void Statement::check(int rc) const {
    if (rc != SQLITE_OK) throw SqliteError(sqlite3_extended_errcode(db_), messageOf(db_, rc));
}

Statement& Statement::bind(int index, std::int64_t value) {
    check(sqlite3_bind_int64(stmt_, index, value));
    return *this;
}

Statement& Statement::bind(int index, double value) {
    check(sqlite3_bind_double(stmt_, index, value));
    return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
    check(sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
    return *this;
}

Statement& Statement::bind(int index, const std::optional<std::string>& text) {
    return text ? bind(index, std::string_view(*text)) : bindNull(index);
}

Statement& Statement::bindBlob(int index, std::string_view bytes) {
    check(sqlite3_bind_blob64(stmt_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::bindNull(int index) {
    check(sqlite3_bind_null(stmt_, index));
    return *this;
}

Step Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return Step::row;
    if (rc == SQLITE_DONE) return Step::done;
    throw SqliteError(sqlite3_extended_errcode(db_), messageOf(db_, rc));
}

void Statement::run() {
    while (step() == Step::row) {
    }
}

void Statement::reset() {
    // The result of reset repeats the last step's error, which step() already reported.
    sqlite3_reset(stmt_);
}

int Statement::columnCount() const { return sqlite3_column_count(stmt_); }

bool Statement::isNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

std::optional<std::string_view> Statement::text(int column) const {
    const unsigned char* p = sqlite3_column_text(stmt_, column);
    if (!p) {
        // NULL, or an allocation failure while converting: tell them apart.
        if (sqlite3_column_type(stmt_, column) != SQLITE_NULL) throw SqliteError(SQLITE_NOMEM, "out of memory");
        return std::nullopt;
    }
    const int n = sqlite3_column_bytes(stmt_, column);
    return std::string_view(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n));
}

std::optional<std::string_view> Statement::blob(int column) const {
    const void* p = sqlite3_column_blob(stmt_, column);
    const int n = sqlite3_column_bytes(stmt_, column);
    if (!p) {
        if (sqlite3_column_type(stmt_, column) == SQLITE_NULL) return std::nullopt;
        if (n == 0) return std::string_view();
        throw SqliteError(SQLITE_NOMEM, "out of memory");
    }
    return std::string_view(static_cast<const char*>(p), static_cast<std::size_t>(n));
}

std::int64_t Statement::int64(int column) const { return sqlite3_column_int64(stmt_, column); }

double Statement::real(int column) const { return sqlite3_column_double(stmt_, column); }

std::string fileUrl(const std::string& absolutePath) {
    // Unreserved characters, the path separator and the sub-delimiters a file URL keeps as they are;
    // everything else, every byte of a multi-byte character included, is percent-encoded.
    static constexpr std::string_view keep = "-._~!$&'()*+,;=:@/";
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out = "file://";
    out.reserve(out.size() + absolutePath.size() * 3 / 2);
    for (const char ch : absolutePath) {
        const auto c = static_cast<unsigned char>(ch);
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (alnum || keep.find(ch) != std::string_view::npos) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 0xF]);
        }
    }
    return out;
}

std::string immutableUri(const std::string& absolutePath) { return fileUrl(absolutePath) + "?immutable=1"; }

}  // namespace orvane::Sqlite
