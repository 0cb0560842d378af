#pragma once
// A thin RAII layer over the SQLite C interface: one connection, prepared statements with bound
// parameters, and a typed step result that cannot be ignored. Every failure becomes SqliteError
// carrying SQLite's own message, so a read that stops early can never pass for a short result.
#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace orvane::Sqlite {

class SqliteError : public std::runtime_error {
public:
    SqliteError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    // The primary result code (SQLITE_BUSY, SQLITE_CORRUPT, …).
    int code() const { return code_ & 0xFF; }
    int extendedCode() const { return code_; }

private:
    int code_;
};

// What one call of sqlite3_step gave when it did not fail.
enum class [[nodiscard]] Step { row, done };

class Statement;

class Connection {
public:
    // sqlite3_open_v2 with no VFS name. Throws SqliteError with the connection's message on failure
    // (the half-open handle is closed first).
    static Connection open(const std::string& name, int flags);

    Connection() = default;
    Connection(Connection&& other) noexcept : db_(other.db_) { other.db_ = nullptr; }
    Connection& operator=(Connection&& other) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    // Prepares one statement (the whole text, no tail); throws SqliteError.
    [[nodiscard]] Statement prepare(std::string_view sql) const;
    // Runs statements that return no rows (schema, pragmas, transactions); throws SqliteError.
    void exec(const std::string& sql) const;
    void busyTimeout(int milliseconds) const;

    std::string errorMessage() const;
    sqlite3* handle() const { return db_; }

private:
    explicit Connection(sqlite3* db) : db_(db) {}
    sqlite3* db_ = nullptr;
};

class Statement {
public:
    Statement() = default;
    Statement(Statement&& other) noexcept : stmt_(other.stmt_), db_(other.db_) { other.stmt_ = nullptr; }
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    // Parameters are numbered from 1, as in "?1". Text and blobs are copied by SQLite.
    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, int value) { return bind(index, static_cast<std::int64_t>(value)); }
    Statement& bind(int index, double value);
    Statement& bind(int index, std::string_view text);
    Statement& bind(int index, const char* text) { return bind(index, std::string_view(text)); }
    Statement& bind(int index, const std::string& text) { return bind(index, std::string_view(text)); }
    Statement& bind(int index, const std::optional<std::string>& text);
    Statement& bindBlob(int index, std::string_view bytes);
    Statement& bindNull(int index);

    // Row or done; any other result code throws SqliteError with the connection's message.
    Step step();
    // Steps a statement that must not return rows to its end.
    void run();
    // Ready to step again with the same bindings.
    void reset();

    int columnCount() const;
    bool isNull(int column) const;
    // The column as UTF-8 text; absent when NULL. The view lives until the next step, reset or finalise.
    std::optional<std::string_view> text(int column) const;
    std::optional<std::string_view> blob(int column) const;
    std::int64_t int64(int column) const;
    double real(int column) const;

    sqlite3_stmt* handle() const { return stmt_; }

private:
    friend class Connection;
    Statement(sqlite3_stmt* stmt, sqlite3* db) : stmt_(stmt), db_(db) {}
    void check(int rc) const;
    sqlite3_stmt* stmt_ = nullptr;
    sqlite3* db_ = nullptr;
};

// "file:///…?immutable=1" for an absolute path: the path percent-encoded as a file URL, so spaces,
// "?", "#" and "%" in folder names reach SQLite unchanged.
std::string immutableUri(const std::string& absolutePath);
// The file URL text of an absolute path ("file:///a/My%20Photos/x.lrcat").
std::string fileUrl(const std::string& absolutePath);

}  // namespace orvane::Sqlite
