#include "core/base/strict_json.h"

#include <charconv>
#include <cstring>

#include "core/base/numbers.h"

namespace orvane::json {

std::string Path::render() const {
    std::vector<const Path*> chain;
    for (const Path* p = this; p; p = p->parent) chain.push_back(p);
    std::string out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const Path* p = *it;
        if (p->isIndex) {
            out += "[" + std::to_string(p->index) + "]";
        } else if (!p->key.empty()) {
            if (!out.empty()) out += ".";
            out += p->key;
        }
    }
    return out.empty() ? "(rădăcină)" : out;
}

DecodeError::DecodeError(const Path& path, const std::string& problem)
    : std::runtime_error("JSON invalid la „" + path.render() + "”: " + problem), where_(path.render()) {}

static const char* kindName(const Json& j) {
    switch (j.type()) {
        case Json::value_t::null: return "null";
        case Json::value_t::object: return "obiect";
        case Json::value_t::array: return "listă";
        case Json::value_t::string: return "text";
        case Json::value_t::boolean: return "boolean";
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
        case Json::value_t::number_float: return "număr";
        default: return "altceva";
    }
}

void typeMismatch(const Json& j, const Path& path, const char* expected) {
    throw DecodeError(path, std::string("se aștepta ") + expected + ", s-a găsit " + kindName(j));
}

void missingKey(const Path& path) { throw DecodeError(path, "cheie obligatorie lipsă"); }

void requireObject(const Json& j, const Path& path) {
    if (!j.is_object()) typeMismatch(j, path, "obiect");
}

std::string dump(const Json& j) {
    // nlohmann's default object type is an ordered std::map, so keys come out sorted.
    try {
        return j.dump(-1, ' ', false, Json::error_handler_t::strict);
    } catch (const Json::exception& e) {
        // Text that is not valid UTF-8 cannot be stored as JSON.
        throw EncodeError(std::string("text care nu este UTF-8 valid într-o înregistrare (") + e.what() + ")");
    }
}

Json parse(std::string_view text) {
    try {
        return Json::parse(text.begin(), text.end());
    } catch (const Json::exception& e) {
        // Syntax errors and numbers out of range alike.
        throw DecodeError(Path{}, std::string("text JSON greșit (") + e.what() + ")");
    }
}

Json Codec<double>::encode(double v) {
    if (!std::isfinite(v)) throw EncodeError("număr nefinit (NaN sau infinit) într-o înregistrare");
    return v;
}

double Codec<double>::decode(const Json& j, const Path& p) {
    switch (j.type()) {
        case Json::value_t::number_float: return j.get<double>();
        case Json::value_t::number_integer: return static_cast<double>(j.get<std::int64_t>());
        case Json::value_t::number_unsigned: return static_cast<double>(j.get<std::uint64_t>());
        default: typeMismatch(j, p, "număr");
    }
}

Json Codec<float>::encode(float v) {
    if (!std::isfinite(v)) throw EncodeError("număr nefinit (NaN sau infinit) într-o înregistrare");
    // The float's shortest text read as a double dumps as that same short text and reads back exactly.
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return *Numbers::parseDouble(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

float Codec<float>::decode(const Json& j, const Path& p) {
    return static_cast<float>(Codec<double>::decode(j, p));
}

std::int64_t Codec<std::int64_t>::decode(const Json& j, const Path& p) {
    switch (j.type()) {
        case Json::value_t::number_integer: return j.get<std::int64_t>();
        case Json::value_t::number_unsigned: {
            auto u = j.get<std::uint64_t>();
            if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                throw DecodeError(p, "număr întreg în afara domeniului");
            return static_cast<std::int64_t>(u);
        }
        case Json::value_t::number_float: {
            // "2.0" is a whole number written with a fraction part; "2.5" is not an integer.
            double d = j.get<double>();
            if (!std::isfinite(d) || std::floor(d) != d) throw DecodeError(p, "se aștepta un număr întreg");
            if (d < -9223372036854775808.0 || d >= 9223372036854775808.0)
                throw DecodeError(p, "număr întreg în afara domeniului");
            return static_cast<std::int64_t>(d);
        }
        default: typeMismatch(j, p, "număr întreg");
    }
}

int Codec<int>::decode(const Json& j, const Path& p) {
    std::int64_t v = Codec<std::int64_t>::decode(j, p);
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        throw DecodeError(p, "număr întreg în afara domeniului");
    return static_cast<int>(v);
}

Uuid Codec<Uuid>::decode(const Json& j, const Path& p) {
    if (!j.is_string()) typeMismatch(j, p, "identificator");
    auto u = Uuid::parse(j.get_ref<const std::string&>());
    if (!u) throw DecodeError(p, "identificator UUID greșit");
    return *u;
}

Date Codec<Date>::decode(const Json& j, const Path& p) {
    if (!j.is_string()) typeMismatch(j, p, "dată");
    auto d = IsoDate::parse(j.get_ref<const std::string&>());
    if (!d) throw DecodeError(p, "dată ISO-8601 greșită (se aștepta AAAA-LL-ZZTHH:MM:SSZ)");
    return *d;
}

}  // namespace orvane::json

namespace orvane {

void hashAppend(Hasher& h, double v) {
    if (v == 0) v = 0;  // +0 and -0 are equal, so they must hash alike
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    h.mix(bits);
}

void hashAppend(Hasher& h, float v) { hashAppend(h, static_cast<double>(v)); }

void hashAppend(Hasher& h, const std::string& v) {
    h.mix(std::hash<std::string>{}(v));
}

void hashAppend(Hasher& h, const Uuid& v) { h.mix(std::hash<Uuid>{}(v)); }

void hashAppend(Hasher& h, const Date& v) {
    h.mix(static_cast<std::uint64_t>(v.time_since_epoch().count()));
}

}  // namespace orvane
