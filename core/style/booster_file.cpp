#include "core/style/booster_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <exception>
#include <utility>
#include <vector>

namespace orvane::BoosterFile {
namespace {

constexpr const char* kDamaged = "fișierul model.ubj este deteriorat.";

struct Refused {};
[[noreturn]] void refuse() { throw Refused{}; }
void require(bool condition) {
    if (!condition) refuse();
}

// One value of the file as XGBoost's reader would make it. A typed array keeps its elements as
// numbers (every element type it takes fits a double exactly, but 64-bit integers past 2^53, which
// no index or count of a model reaches).
struct Value {
    enum class Kind { null, boolean, integer, number, string, array, object };
    Kind kind = Kind::null;
    std::int64_t integer = 0;
    double number = 0;
    std::string text;
    bool typed = false;
    std::vector<double> elements;                       // a typed array's
    std::vector<Value> items;                           // any other array's
    std::vector<std::string> keys;  // an object's, in file order, with their values
    std::vector<Value> values;

    const Value& field(std::string_view key) const {
        require(kind == Kind::object);
        if (const Value* v = optionalField(key)) return *v;
        refuse();
    }
    const Value* optionalField(std::string_view key) const {
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (keys[i] == key) return &values[i];
        return nullptr;
    }
    std::size_t size() const {
        require(kind == Kind::array);
        return typed ? elements.size() : items.size();
    }
    // Element i of an array as a number; an element that is not one refuses.
    double numberAt(std::size_t i) const {
        if (typed) return elements[i];
        const Value& v = items[i];
        if (v.kind == Kind::integer) return double(v.integer);
        require(v.kind == Kind::number || v.kind == Kind::boolean);
        return v.kind == Kind::number ? v.number : double(v.integer);
    }
    std::int64_t integerAt(std::size_t i) const {
        const double d = numberAt(i);
        require(std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.0e15);
        return std::int64_t(d);
    }
};

// The UBJ dialect XGBoost 1.7 reads: big-endian numbers, lengths and counts as 'L' and 8 bytes, typed
// arrays of 'd', 'U', 'l' and 'L' only, no counted objects, no 64-bit floats.
class Reader {
public:
    explicit Reader(std::string_view bytes) : b_(bytes) {}

    Value document() {
        Value v = value(0);
        require(v.kind == Value::Kind::object && pos_ == b_.size());
        return v;
    }

private:
    std::uint8_t peek() const {
        require(pos_ < b_.size());
        return std::uint8_t(b_[pos_]);
    }
    std::uint8_t next() {
        const auto c = peek();
        ++pos_;
        return c;
    }
    std::size_t left() const { return b_.size() - pos_; }
    std::uint64_t bigEndian(std::size_t n) {
        require(left() >= n);
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < n; ++i) v = v << 8 | std::uint8_t(b_[pos_ + i]);
        pos_ += n;
        return v;
    }
    // A length or count: 'L' and a signed 64-bit value, at most `bytesEach` times what is left.
    std::size_t count(std::size_t bytesEach) {
        require(next() == 'L');
        const auto n = std::int64_t(bigEndian(8));
        require(n >= 0 && std::uint64_t(n) <= left() / bytesEach);
        return std::size_t(n);
    }
    std::string text() {
        const std::size_t n = count(1);
        std::string s(b_.substr(pos_, n));
        pos_ += n;
        return s;
    }
    static float asFloat(std::uint64_t bits) {
        const auto b32 = std::uint32_t(bits);
        float f;
        std::memcpy(&f, &b32, sizeof f);
        return f;
    }

    Value value(int depth) {
        require(++values_ <= maxValues);
        Value v;
        const auto marker = next();
        switch (marker) {
        case '{': return object(depth + 1);
        case '[': return array(depth + 1);
        case 'Z': return v;
        case 'T':
        case 'F':
            v.kind = Value::Kind::boolean;
            v.integer = marker == 'T';
            return v;
        case 'S':
            v.kind = Value::Kind::string;
            v.text = text();
            return v;
        case 'd':
            v.kind = Value::Kind::number;
            v.number = asFloat(bigEndian(4));
            return v;
        default: break;
        }
        v.kind = Value::Kind::integer;
        switch (marker) {
        case 'i':
        case 'C': v.integer = std::int8_t(bigEndian(1)); break;
        case 'U': v.integer = std::uint8_t(bigEndian(1)); break;
        case 'I': v.integer = std::int16_t(bigEndian(2)); break;
        case 'l': v.integer = std::int32_t(bigEndian(4)); break;
        case 'L': v.integer = std::int64_t(bigEndian(8)); break;
        default: refuse();  // 64-bit floats, high-precision numbers, no-ops and anything else
        }
        return v;
    }

    Value object(int depth) {
        require(depth <= maxNesting);
        Value v;
        v.kind = Value::Kind::object;
        while (peek() != '}') {
            v.keys.push_back(text());
            v.values.push_back(value(depth));
        }
        ++pos_;
        // XGBoost keeps the first of two equal keys; a file of ours never repeats one.
        std::vector<std::string_view> keys(v.keys.begin(), v.keys.end());
        std::sort(keys.begin(), keys.end());
        require(std::adjacent_find(keys.begin(), keys.end()) == keys.end());
        return v;
    }

    Value array(int depth) {
        require(depth <= maxNesting);
        Value v;
        v.kind = Value::Kind::array;
        if (peek() == '$') {
            ++pos_;
            const auto type = next();
            const std::size_t size = type == 'U' ? 1 : type == 'd' || type == 'l' ? 4 : type == 'L' ? 8 : 0;
            require(size != 0 && next() == '#');
            const std::size_t n = count(size);
            typedElements_ += n;
            require(typedElements_ <= maxTypedElements);
            v.typed = true;
            v.elements.reserve(n);
            for (std::size_t i = 0; i < n; ++i) {
                const std::uint64_t raw = bigEndian(size);
                switch (type) {
                case 'U': v.elements.push_back(double(std::uint8_t(raw))); break;
                case 'd': v.elements.push_back(double(asFloat(raw))); break;
                case 'l': v.elements.push_back(double(std::int32_t(raw))); break;
                default: v.elements.push_back(double(std::int64_t(raw))); break;
                }
            }
            return v;
        }
        if (peek() == '#') {
            ++pos_;
            const std::size_t n = count(1);  // every value takes a byte at least
            for (std::size_t i = 0; i < n; ++i) v.items.push_back(value(depth));
            return v;
        }
        while (peek() != ']') v.items.push_back(value(depth));
        ++pos_;
        return v;
    }

    std::string_view b_;
    std::size_t pos_ = 0;
    std::size_t values_ = 0;
    std::size_t typedElements_ = 0;
};

// XGBoost keeps its parameters as texts of decimal integers.
std::int64_t integerParameter(const Value& object, std::string_view key) {
    const Value& v = object.field(key);
    require(v.kind == Value::Kind::string && !v.text.empty());
    std::int64_t out = 0;
    const char* end = v.text.data() + v.text.size();
    const auto [ptr, ec] = std::from_chars(v.text.data(), end, out);
    require(ec == std::errc() && ptr == end);
    return out;
}

// One tree: every array as long as the tree's node count, no categorical split, every parent link
// inside the tree (the loader follows each), and from the root down a proper binary tree whose
// children sit side by side (the predictor steps to the left child plus one) and whose splits read
// existing features.
void checkTree(const Value& tree, std::int64_t features) {
    const Value& param = tree.field("tree_param");
    const std::int64_t n = integerParameter(param, "num_nodes");
    require(n >= 1 && std::uint64_t(n) <= maxTypedElements);
    require(integerParameter(param, "num_deleted") >= 0);
    if (param.optionalField("size_leaf_vector")) require(integerParameter(param, "size_leaf_vector") == 0);
    const auto nodes = std::size_t(n);
    for (auto key : {"left_children", "right_children", "parents", "split_indices", "split_conditions", "default_left",
                     "base_weights", "loss_changes", "sum_hessian"})
        require(tree.field(key).size() == nodes);
    if (const Value* types = tree.optionalField("split_type")) {
        require(types->size() == nodes);
        for (std::size_t i = 0; i < nodes; ++i) require(types->integerAt(i) == 0);
    }
    for (auto key : {"categories", "categories_nodes", "categories_segments", "categories_sizes"})
        if (const Value* v = tree.optionalField(key)) require(v->size() == 0);

    const Value& left = tree.field("left_children");
    const Value& right = tree.field("right_children");
    const Value& parents = tree.field("parents");
    const Value& splits = tree.field("split_indices");
    for (std::size_t i = 0; i < nodes; ++i) {
        (void)tree.field("split_conditions").numberAt(i);
        (void)tree.field("default_left").numberAt(i);
        (void)tree.field("base_weights").numberAt(i);
        (void)tree.field("loss_changes").numberAt(i);
        (void)tree.field("sum_hessian").numberAt(i);
        const std::int64_t parent = parents.integerAt(i);
        if (i > 0) require(parent >= 0 && parent < n);
    }
    std::vector<bool> seen(nodes, false);
    std::vector<std::pair<std::size_t, int>> pending{{0, 0}};
    seen[0] = true;
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        const std::int64_t l = left.integerAt(node), r = right.integerAt(node);
        if (l == -1) {
            require(r == -1);
            continue;
        }
        require(l >= 1 && r == l + 1 && r < n && depth < maxTreeDepth);
        const std::int64_t feature = splits.integerAt(node);
        require(feature >= 0 && feature < features);
        for (std::int64_t child : {l, r}) {
            require(!seen[std::size_t(child)]);
            seen[std::size_t(child)] = true;
            pending.emplace_back(std::size_t(child), depth + 1);
        }
    }
}

void checkModel(const Value& root) {
    const Value& learner = root.field("learner");
    const Value& param = learner.field("learner_model_param");
    const std::int64_t features = integerParameter(param, "num_feature");
    const std::int64_t classes = integerParameter(param, "num_class");
    const std::int64_t targets = param.optionalField("num_target") ? integerParameter(param, "num_target") : 1;
    require(features >= 0 && features <= maxFeatures && classes >= 0 && classes <= maxFeatures && targets >= 1 &&
            targets <= maxFeatures);
    // Feature types other than plain numbers would send the predictor to categorical splits.
    if (const Value* types = learner.optionalField("feature_types")) {
        require(!types->typed);
        for (std::size_t i = 0; i < types->size(); ++i) {
            const Value& t = types->items.at(i);
            require(t.kind == Value::Kind::string && (t.text == "float" || t.text == "int" || t.text == "i" || t.text == "q"));
        }
    }
    const Value& booster = learner.field("gradient_booster");
    const Value& name = booster.field("name");
    require(name.kind == Value::Kind::string && name.text == "gbtree");
    const Value& model = booster.field("model");
    const Value& gbtree = model.field("gbtree_model_param");
    const std::int64_t treeCount = integerParameter(gbtree, "num_trees");
    if (gbtree.optionalField("size_leaf_vector")) require(integerParameter(gbtree, "size_leaf_vector") == 0);
    // The rounds are the trees divided by the trees of one round.
    if (gbtree.optionalField("num_parallel_tree")) {
        const std::int64_t parallel = integerParameter(gbtree, "num_parallel_tree");
        require(parallel >= 1 && parallel <= maxFeatures);
    }
    const Value& trees = model.field("trees");
    const Value& info = model.field("tree_info");
    require(treeCount >= 0 && !trees.typed && trees.size() == std::size_t(treeCount) && info.size() == trees.size());
    // The predictor writes each tree's answer into the output group tree_info names.
    const std::int64_t groups = std::max(classes, targets);
    std::vector<bool> ids(trees.size(), false);
    for (std::size_t t = 0; t < trees.size(); ++t) {
        const std::int64_t group = info.integerAt(t);
        require(group >= 0 && group < groups);
        const Value& tree = trees.items[t];
        const Value& id = tree.field("id");
        require(id.kind == Value::Kind::integer && id.integer >= 0 && id.integer < treeCount && !ids[std::size_t(id.integer)]);
        ids[std::size_t(id.integer)] = true;
        checkTree(tree, features);
    }
}

}  // namespace

std::optional<std::string> problem(std::string_view bytes) {
    try {
        require(bytes.size() <= maxBytes);
        // XGBoost takes a buffer starting with '{' and a letter for UBJ; anything else it reads as
        // its legacy binary format, which nothing here writes.
        require(bytes.size() >= 2 && bytes[0] == '{' && bytes[1] == 'L');
        checkModel(Reader(bytes).document());
        return std::nullopt;
    } catch (const Refused&) {
        return std::string(kDamaged);
    } catch (const std::exception&) {
        return std::string(kDamaged);
    }
}

}  // namespace orvane::BoosterFile
