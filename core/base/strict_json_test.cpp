#include "core/base/strict_json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace orvane {
namespace {

struct Inner {
    std::int64_t count = 0;
    bool operator==(const Inner&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("count", s.count);
    }
};

struct Outer {
    std::string name;
    std::optional<double> value;
    std::vector<Inner> items;
    std::map<std::string, std::int64_t> table;
    double withDefault = 0.5;
    bool operator==(const Outer&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("name", s.name);
        v.opt("value", s.value);
        v.req("items", s.items);
        v.req("table", s.table);
        v.def("withDefault", s.withDefault, 0.5);
    }
};

struct IntCase {
    const char* name;
    const char* json;
    std::optional<std::int64_t> expected;  // nullopt: must fail
};

TEST(StrictJson, integersAcceptOnlyWholeNumbersInRange) {
    const IntCase cases[] = {
        {"plain", "7", 7},
        {"negative", "-3", -3},
        {"wholeWithFraction", "2.0", 2},
        {"exponent", "1e3", 1000},
        {"fraction", "2.5", std::nullopt},
        {"tooLarge", "9223372036854775808", std::nullopt},
        {"hugeFloat", "1e30", std::nullopt},
        {"text", "\"2\"", std::nullopt},
        {"boolean", "true", std::nullopt},
        {"max", "9223372036854775807", std::numeric_limits<std::int64_t>::max()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Json j = Json::parse(c.json);
        if (c.expected) {
            EXPECT_EQ(json::decode<std::int64_t>(j), *c.expected);
        } else {
            EXPECT_THROW(json::decode<std::int64_t>(j), json::DecodeError);
        }
    }
}

TEST(StrictJson, scalarTypesAreExact) {
    EXPECT_EQ(json::decode<double>(Json::parse("3")), 3.0);
    EXPECT_THROW(json::decode<double>(Json::parse("\"3\"")), json::DecodeError);
    EXPECT_THROW(json::decode<bool>(Json::parse("1")), json::DecodeError);
    EXPECT_THROW(json::decode<std::string>(Json::parse("1")), json::DecodeError);
    EXPECT_TRUE(json::decode<bool>(Json::parse("true")));
}

TEST(StrictJson, identifiersReadEitherCaseAndWriteUpperCase) {
    auto u = json::decode<Uuid>(Json("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"));
    EXPECT_EQ(json::encode(u), Json("0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"));
    for (const char* bad : {"0a1b2c3d4e5f4a6b8c7d9e0f1a2b3c4d", "0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4", "{0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d}",
                            "0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3cXd", ""}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(json::decode<Uuid>(Json(bad)), json::DecodeError);
    }
    EXPECT_NE(Uuid::random(), Uuid::random());
    EXPECT_EQ(Uuid::random().text()[14], '4');
}

TEST(StrictJson, datesAreWholeSecondsInUtc) {
    auto d = json::decode<Date>(Json("2024-02-29T23:59:58Z"));
    EXPECT_EQ(IsoDate::format(d), "2024-02-29T23:59:58Z");
    EXPECT_EQ(IsoDate::format(Date{}), "1970-01-01T00:00:00Z");
    EXPECT_EQ(IsoDate::format(Date(std::chrono::milliseconds(-1))), "1969-12-31T23:59:59Z");
    // A fraction in memory is dropped when written, never rounded up.
    EXPECT_EQ(IsoDate::format(d + std::chrono::milliseconds(999)), "2024-02-29T23:59:58Z");
    for (const char* bad : {"2024-02-29T23:59:58.5Z", "2023-02-29T00:00:00Z", "2024-13-01T00:00:00Z",
                            "2024-01-01 00:00:00Z", "2024-01-01T00:00:00", "2024-01-01T24:00:00Z",
                            "2024-01-01T00:00:00+02:00",
                            // Outside what the clock holds: these used to wrap into other dates.
                            "1677-01-01T00:00:00Z", "0001-01-01T00:00:00Z", "2263-01-01T00:00:00Z",
                            "9999-12-31T23:59:59Z"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(json::decode<Date>(Json(bad)), json::DecodeError);
    }
    // The edges of the clock's range still read back as themselves.
    for (const char* edge : {"1678-01-01T00:00:00Z", "2261-12-31T23:59:59Z"}) {
        SCOPED_TRACE(edge);
        EXPECT_EQ(IsoDate::format(json::decode<Date>(Json(edge))), edge);
    }
}

TEST(StrictJson, recordsReadStrictlyAndWriteWithoutNulls) {
    Outer o = json::decode<Outer>(json::parse(R"({"name":"a","value":null,"items":[{"count":2}],"table":{"k":1},"extra":[1]})"));
    EXPECT_EQ(o.name, "a");
    EXPECT_FALSE(o.value);
    EXPECT_EQ(o.withDefault, 0.5);
    EXPECT_EQ(json::dump(json::encode(o)), R"({"items":[{"count":2}],"name":"a","table":{"k":1},"withDefault":0.5})");

    // A wrong form at any depth fails the whole record and says where.
    try {
        json::decode<Outer>(json::parse(R"({"name":"a","items":[{"count":2},{"count":1.5}],"table":{}})"));
        FAIL();
    } catch (const json::DecodeError& e) {
        EXPECT_EQ(e.where(), "items[1].count");
    }
    EXPECT_THROW(json::decode<Outer>(json::parse(R"({"name":"a","items":[],"table":{"k":"1"}})")), json::DecodeError);
    EXPECT_THROW(json::decode<Outer>(json::parse(R"({"name":null,"items":[],"table":{}})")), json::DecodeError);
    EXPECT_THROW(json::decode<Outer>(json::parse(R"([])")), json::DecodeError);
    EXPECT_THROW(json::parse("{\"name\":"), json::DecodeError);
}

TEST(StrictJson, nonFiniteNumbersRefuseToEncode) {
    Outer o;
    o.value = std::nan("");
    EXPECT_THROW(json::encode(o), json::EncodeError);
    o.value = std::numeric_limits<double>::infinity();
    EXPECT_THROW(json::encode(o), json::EncodeError);
    EXPECT_THROW(json::encode(std::vector<float>{1.0f, -std::numeric_limits<float>::infinity()}), json::EncodeError);
}

TEST(StrictJson, libraryErrorsBecomeOurOwn) {
    Outer o;
    o.name = "caf\xE9.nef";  // Latin-1, not UTF-8
    EXPECT_THROW(json::dump(json::encode(o)), json::EncodeError);
    EXPECT_THROW(json::parse(R"({"value":1e400})"), json::DecodeError);
    EXPECT_THROW(json::parse("\xFF"), json::DecodeError);
}

TEST(StrictJson, numbersRoundTripExactly) {
    for (double v : {0.1, 1.0 / 3.0, -2.5e-7, 6503.123456789012, 1e300, 5e-324}) {
        std::string text = json::dump(json::encode(v));
        EXPECT_EQ(json::decode<double>(json::parse(text)), v) << text;
    }
    for (float v : {0.1f, 1.0f / 3.0f, 0.0123f}) {
        std::string text = json::dump(json::encode(v));
        EXPECT_EQ(json::decode<float>(json::parse(text)), v) << text;
        EXPECT_LE(text.size(), 12u) << text;  // the float's own short form, not the double's long one
    }
}

TEST(StrictJson, equalRecordsHashAlike) {
    Outer a, b;
    a.table = {{"x", 1}, {"y", 2}};
    b.table = {{"y", 2}, {"x", 1}};
    a.value = 0.0;
    b.value = -0.0;
    EXPECT_EQ(a, b);
    EXPECT_EQ(hashOf(a), hashOf(b));
    b.value.reset();
    EXPECT_NE(hashOf(a), hashOf(b));
}

}  // namespace
}  // namespace orvane
