#pragma once
// Strict JSON records. A record lists its stored fields once, in declaration order, through a static
// `describe(self, visitor)`; the same list drives encoding, strict decoding and hashing:
//
//   template <class S, class V> static void describe(S& s, V& v) {
//       v.req("id", s.id);              // required: missing or null fails the whole file
//       v.opt("exportFolder", s.exportFolder);   // std::optional: missing or null reads as absent
//       v.def("radius", s.radius, 0.004);        // optional key with a default, always written
//   }
//
// A record whose file form differs from its fields (renamed or conditional keys) also defines
// `static Json toJson(const T&)` and `static T fromJson(const Json&, const json::Path&)`.
// Unknown keys are ignored on reading; absent optionals are never written as null; non-finite
// numbers refuse to encode (nlohmann would write null and the record would vanish from every list).
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/base/iso_date.h"
#include "core/base/uuid.h"

namespace orvane {

using Json = nlohmann::json;

namespace json {

// Where in a document a value sits; rendered only when something fails.
struct Path {
    const Path* parent = nullptr;
    std::string_view key;
    std::size_t index = 0;
    bool isIndex = false;

    Path child(std::string_view k) const { return Path{this, k, 0, false}; }
    Path at(std::size_t i) const { return Path{this, {}, i, true}; }
    std::string render() const;
};

class DecodeError : public std::runtime_error {
public:
    DecodeError(const Path& path, const std::string& problem);
    const std::string& where() const { return where_; }

private:
    std::string where_;
};

class EncodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

template <class T>
struct Codec;

struct ObjectWriter;
struct ObjectReader;

template <class T>
concept Described = requires(const T& c, T& m, ObjectWriter& w, ObjectReader& r) {
    T::describe(c, w);
    T::describe(m, r);
};

template <class T>
concept CustomCoded = requires(const T& t, const Json& j, const Path& p) {
    { T::toJson(t) } -> std::same_as<Json>;
    { T::fromJson(j, p) } -> std::same_as<T>;
};

template <class T>
Json encode(const T& value) {
    return Codec<T>::encode(value);
}

template <class T>
T decode(const Json& j, const Path& path = {}) {
    return Codec<T>::decode(j, path);
}

// Serialises with sorted keys, compact: the one text form of every stored record.
std::string dump(const Json& j);
// Parses text; a syntax error becomes a DecodeError at the root.
Json parse(std::string_view text);

[[noreturn]] void typeMismatch(const Json& j, const Path& path, const char* expected);
[[noreturn]] void missingKey(const Path& path);
void requireObject(const Json& j, const Path& path);

// Reads a required member: missing or null fails.
template <class T>
T required(const Json& obj, std::string_view key, const Path& path) {
    Path p = path.child(key);
    auto it = obj.find(key);
    if (it == obj.end() || it->is_null()) missingKey(p);
    return Codec<T>::decode(*it, p);
}

// Reads an optional member: missing or null is absent.
template <class T>
std::optional<T> optional(const Json& obj, std::string_view key, const Path& path) {
    auto it = obj.find(key);
    if (it == obj.end() || it->is_null()) return std::nullopt;
    return Codec<T>::decode(*it, path.child(key));
}

struct ObjectWriter {
    Json& out;
    template <class T>
    void req(const char* key, const T& v) {
        out[key] = Codec<T>::encode(v);
    }
    template <class T>
    void opt(const char* key, const std::optional<T>& v) {
        if (v) out[key] = Codec<T>::encode(*v);
    }
    template <class T>
    void def(const char* key, const T& v, const T&) {
        out[key] = Codec<T>::encode(v);
    }
};

struct ObjectReader {
    const Json& in;
    const Path& path;
    template <class T>
    void req(const char* key, T& v) {
        v = required<T>(in, key, path);
    }
    template <class T>
    void opt(const char* key, std::optional<T>& v) {
        v = optional<T>(in, key, path);
    }
    template <class T>
    void def(const char* key, T& v, const T& fallback) {
        v = optional<T>(in, key, path).value_or(fallback);
    }
};

// ---- scalar codecs ----

template <>
struct Codec<std::string> {
    static Json encode(const std::string& v) { return v; }
    static std::string decode(const Json& j, const Path& p) {
        if (!j.is_string()) typeMismatch(j, p, "text");
        return j.get_ref<const std::string&>();
    }
};

template <>
struct Codec<bool> {
    static Json encode(bool v) { return v; }
    static bool decode(const Json& j, const Path& p) {
        if (!j.is_boolean()) typeMismatch(j, p, "boolean");
        return j.get<bool>();
    }
};

template <>
struct Codec<double> {
    static Json encode(double v);
    static double decode(const Json& j, const Path& p);
};

// 32-bit floats are written in their own shortest form so files stay readable and read back exactly.
template <>
struct Codec<float> {
    static Json encode(float v);
    static float decode(const Json& j, const Path& p);
};

template <>
struct Codec<std::int64_t> {
    static Json encode(std::int64_t v) { return v; }
    static std::int64_t decode(const Json& j, const Path& p);
};

template <>
struct Codec<int> {
    static Json encode(int v) { return v; }
    static int decode(const Json& j, const Path& p);
};

template <>
struct Codec<Uuid> {
    static Json encode(const Uuid& v) { return v.text(); }
    static Uuid decode(const Json& j, const Path& p);
};

template <>
struct Codec<Date> {
    static Json encode(const Date& v) { return IsoDate::format(v); }
    static Date decode(const Json& j, const Path& p);
};

// Enumerations stored as text: the enum provides `toText(E)` and `fromText(std::string_view, E&)`.
template <class E>
    requires std::is_enum_v<E> && requires(E e, std::string_view t) {
        { toText(e) } -> std::convertible_to<std::string_view>;
        { fromText(t, e) } -> std::same_as<bool>;
    }
struct Codec<E> {
    static Json encode(E v) { return std::string(toText(v)); }
    static E decode(const Json& j, const Path& p) {
        if (!j.is_string()) typeMismatch(j, p, "text");
        E v{};
        if (!fromText(j.get_ref<const std::string&>(), v))
            throw DecodeError(p, "valoare necunoscută „" + j.get<std::string>() + "”");
        return v;
    }
};

// ---- containers ----

template <class T>
struct Codec<std::vector<T>> {
    static Json encode(const std::vector<T>& v) {
        Json a = Json::array();
        for (const auto& e : v) a.push_back(Codec<T>::encode(e));
        return a;
    }
    static std::vector<T> decode(const Json& j, const Path& p) {
        if (!j.is_array()) typeMismatch(j, p, "list");
        std::vector<T> out;
        out.reserve(j.size());
        std::size_t i = 0;
        for (const auto& e : j) {
            out.push_back(Codec<T>::decode(e, p.at(i)));
            ++i;
        }
        return out;
    }
};

template <class T>
struct Codec<std::map<std::string, T>> {
    static Json encode(const std::map<std::string, T>& m) {
        Json o = Json::object();
        for (const auto& [k, v] : m) o[k] = Codec<T>::encode(v);
        return o;
    }
    static std::map<std::string, T> decode(const Json& j, const Path& p) {
        if (!j.is_object()) typeMismatch(j, p, "map");
        std::map<std::string, T> out;
        for (auto it = j.begin(); it != j.end(); ++it) out.emplace(it.key(), Codec<T>::decode(it.value(), p.child(it.key())));
        return out;
    }
};

// ---- records ----

template <class T>
    requires(Described<T> || CustomCoded<T>)
struct Codec<T> {
    static Json encode(const T& v) {
        if constexpr (CustomCoded<T>) {
            return T::toJson(v);
        } else {
            Json o = Json::object();
            ObjectWriter w{o};
            T::describe(v, w);
            return o;
        }
    }
    static T decode(const Json& j, const Path& p) {
        if constexpr (CustomCoded<T>) {
            return T::fromJson(j, p);
        } else {
            requireObject(j, p);
            T v{};
            ObjectReader r{j, p};
            T::describe(v, r);
            return v;
        }
    }
};

}  // namespace json

// ---- hashing: the same fields in the same order, so equal records hash alike ----

class Hasher {
public:
    void mix(std::uint64_t v) {
        state_ ^= v + 0x9E3779B97F4A7C15ULL + (state_ << 6) + (state_ >> 2);
    }
    std::size_t value() const { return static_cast<std::size_t>(state_); }

private:
    std::uint64_t state_ = 0xCBF29CE484222325ULL;
};

void hashAppend(Hasher& h, double v);
void hashAppend(Hasher& h, float v);
void hashAppend(Hasher& h, const std::string& v);
void hashAppend(Hasher& h, const Uuid& v);
void hashAppend(Hasher& h, const Date& v);
inline void hashAppend(Hasher& h, bool v) { h.mix(v ? 1 : 2); }
inline void hashAppend(Hasher& h, std::int64_t v) { h.mix(static_cast<std::uint64_t>(v)); }
inline void hashAppend(Hasher& h, int v) { h.mix(static_cast<std::uint64_t>(static_cast<std::int64_t>(v))); }
template <class E>
    requires std::is_enum_v<E>
void hashAppend(Hasher& h, E v) {
    h.mix(static_cast<std::uint64_t>(v));
}

template <class T>
void hashAppend(Hasher& h, const std::optional<T>& v);
template <class T>
void hashAppend(Hasher& h, const std::vector<T>& v);
template <class T>
void hashAppend(Hasher& h, const std::map<std::string, T>& v);
template <json::Described T>
void hashAppend(Hasher& h, const T& v);

struct HashVisitor {
    Hasher& h;
    template <class T>
    void req(const char*, const T& v) {
        hashAppend(h, v);
    }
    template <class T>
    void opt(const char*, const std::optional<T>& v) {
        hashAppend(h, v);
    }
    template <class T>
    void def(const char*, const T& v, const T&) {
        hashAppend(h, v);
    }
};

template <class T>
void hashAppend(Hasher& h, const std::optional<T>& v) {
    h.mix(v ? 1 : 0);  // presence marker before the value
    if (v) hashAppend(h, *v);
}
template <class T>
void hashAppend(Hasher& h, const std::vector<T>& v) {
    h.mix(v.size());
    for (const auto& e : v) hashAppend(h, e);
}
template <class T>
void hashAppend(Hasher& h, const std::map<std::string, T>& v) {
    h.mix(v.size());
    for (const auto& [k, e] : v) {
        hashAppend(h, k);
        hashAppend(h, e);
    }
}
template <json::Described T>
void hashAppend(Hasher& h, const T& v) {
    HashVisitor hv{h};
    T::describe(v, hv);
}

template <class T>
std::size_t hashOf(const T& v) {
    Hasher h;
    hashAppend(h, v);
    return h.value();
}

// For unordered containers of records: std::unordered_set<Project, RecordHash>.
struct RecordHash {
    template <class T>
    std::size_t operator()(const T& v) const {
        return hashOf(v);
    }
};

}  // namespace orvane
