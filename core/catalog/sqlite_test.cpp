#include "core/catalog/sqlite.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"

namespace orvane::Sqlite {
namespace {

TEST(SqliteFileUrl, percentEncodesWhatAUrlPathCannotHold) {
    struct Case {
        const char* name;
        std::string path;
        std::string url;
    };
    const Case cases[] = {
        {"plain", "/home/ana/Pictures/Lightroom/Cat.lrcat", "file:///home/ana/Pictures/Lightroom/Cat.lrcat"},
        {"space", "/home/ana/My Photos/Cat 2.lrcat", "file:///home/ana/My%20Photos/Cat%202.lrcat"},
        {"query and fragment marks", "/a/?b#c.lrcat", "file:///a/%3Fb%23c.lrcat"},
        {"percent", "/a/100%.lrcat", "file:///a/100%25.lrcat"},
        {"sub-delimiters kept", "/a/b&c=d;e+f,g(1)'x'!$*:@~.lrcat", "file:///a/b&c=d;e+f,g(1)'x'!$*:@~.lrcat"},
        {"non-ASCII as UTF-8 bytes", "/Poze/Nuntă.lrcat", "file:///Poze/Nunt%C4%83.lrcat"},
        {"brackets and quotes", "/a/[x]\"y\"{z}|\\^`<>.lrcat", "file:///a/%5Bx%5D%22y%22%7Bz%7D%7C%5C%5E%60%3C%3E.lrcat"},
    };
    for (const auto& c : cases) EXPECT_EQ(fileUrl(c.path), c.url) << c.name;
    EXPECT_EQ(immutableUri("/a b/c.lrcat"), "file:///a%20b/c.lrcat?immutable=1");
}

TEST(SqliteStatement, bindsParametersAndStepsToDone) {
    testing::TempDir dir;
    const auto db = Connection::open((dir / "x.db").string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    db.exec("create table t (a, b, c)");
    db.prepare("insert into t values (?1, ?2, ?3)").bind(1, std::int64_t{7}).bind(2, "it's; drop table t").bindNull(3).run();
    auto q = db.prepare("select a, b, c from t");
    ASSERT_EQ(q.step(), Step::row);
    EXPECT_EQ(q.int64(0), 7);
    EXPECT_EQ(q.text(1), std::optional<std::string_view>("it's; drop table t"));
    EXPECT_EQ(q.text(2), std::nullopt);
    EXPECT_EQ(q.step(), Step::done);
}

TEST(SqliteStatement, failuresCarrySqlitesMessageAndCode) {
    testing::TempDir dir;
    const auto db = Connection::open((dir / "x.db").string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    db.exec("create table t (a unique)");
    db.exec("insert into t values (1)");
    try {
        (void)db.prepare("select a from nowhere");
        FAIL() << "prepared a statement on a missing table";
    } catch (const SqliteError& e) {
        EXPECT_EQ(std::string(e.what()), "no such table: nowhere");
        EXPECT_EQ(e.code(), SQLITE_ERROR);
    }
    auto insert = db.prepare("insert into t values (1)");
    try {
        insert.run();
        FAIL() << "a constraint failure passed";
    } catch (const SqliteError& e) {
        EXPECT_EQ(e.code(), SQLITE_CONSTRAINT);
    }
    EXPECT_THROW(Connection::open((dir / "missing.db").string(), SQLITE_OPEN_READWRITE), SqliteError);
}

}  // namespace
}  // namespace orvane::Sqlite
