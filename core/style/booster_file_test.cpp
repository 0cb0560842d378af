#include "core/style/booster_file.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/base/atomic_file.h"
#include "core/style/booster.h"
#include "core/style/compiled_model.h"
#include "core/style/model_error.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

using nlohmann::json;

// A small model the way training leaves it: a few rounds of depth-3 trees on four features.
Booster trained() {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> unit(0, 1);
    std::vector<float> m, y;
    for (int r = 0; r < 200; ++r) {
        for (int c = 0; c < 4; ++c) m.push_back(unit(rng));
        y.push_back(2 * m[m.size() - 4] - m[m.size() - 3]);
    }
    return Booster::train(m, 200, 4, y, {{"max_depth", "3"}, {"nthread", "1"}}, 5, {"a", "b", "c", "d"});
}

// UBJ in XGBoost's own dialect (lengths and counts as 'L', no typed arrays), so that a model's text
// can be changed and written back.
void encode(const json& v, std::string& out) {
    auto big = [&](std::uint64_t x, int n) {
        for (int i = n - 1; i >= 0; --i) out.push_back(char(x >> (8 * i)));
    };
    auto text = [&](const std::string& s) {
        out.push_back('L');
        big(s.size(), 8);
        out += s;
    };
    if (v.is_object()) {
        out.push_back('{');
        for (const auto& [key, item] : v.items()) {
            text(key);
            encode(item, out);
        }
        out.push_back('}');
    } else if (v.is_array()) {
        out += "[#";
        out.push_back('L');
        big(v.size(), 8);
        for (const auto& item : v) encode(item, out);
    } else if (v.is_string()) {
        out.push_back('S');
        text(v.get<std::string>());
    } else if (v.is_boolean()) {
        out.push_back(v.get<bool>() ? 'T' : 'F');
    } else if (v.is_number_integer()) {
        out.push_back('L');
        big(std::uint64_t(v.get<std::int64_t>()), 8);
    } else if (v.is_number()) {
        const float f = v.get<float>();
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        out.push_back('d');
        big(bits, 4);
    } else {
        out.push_back('Z');
    }
}
std::string encode(const json& v) {
    std::string out;
    encode(v, out);
    return out;
}

TEST(BoosterFile, takesWhatXGBoostWrites) {
    EXPECT_EQ(BoosterFile::problem(trained().ubj()), std::nullopt);
    testing::TempDir dir;
    testing::writeConstantModel(dir.path(), "c", 1.5f);
    testing::writeStepModel(dir.path(), "s", 3, 1, 2);
    for (auto name : {"c", "s"})
        EXPECT_EQ(BoosterFile::problem(readWholeFile(dir / (std::string(name) + ".xgbm") / "model.ubj")), std::nullopt) << name;
    // The test's own encoding of the same model: XGBoost reads it and answers as before, so the
    // damaged variants below differ from a sound file only by their damage.
    const Booster b = trained();
    const std::string again = encode(json::parse(b.jsonText()));
    EXPECT_EQ(BoosterFile::problem(again), std::nullopt);
    const std::vector<float> row = {0.3f, 0.6f, 0.1f, 0.9f};
    EXPECT_EQ(Booster::fromBytes(again).predict(row.data(), 1, 4), b.predict(row.data(), 1, 4));
}

TEST(BoosterFile, refusesEveryTruncationAndBrokenLength) {
    const std::string good = trained().ubj();
    // Every prefix, the 12 bytes that made XGBoost read past its buffer among them.
    for (std::size_t n = 0; n < good.size(); ++n)
        ASSERT_NE(BoosterFile::problem(good.substr(0, n)), std::nullopt) << n;
    EXPECT_NE(BoosterFile::problem(good + "x"), std::nullopt);  // trailing bytes

    // Every array's count and some keys' and texts' lengths made far too large, then negative: a
    // typed array's count made XGBoost allocate gigabytes.
    std::vector<std::size_t> lengths;
    for (std::size_t at = good.find("#L"); at != std::string::npos; at = good.find("#L", at + 1)) lengths.push_back(at + 1);
    for (const std::string key : {"learner", "base_weights", "split_conditions", "trees", "gbtree"})
        lengths.push_back(good.find(char(key.size()) + key) - 8);  // 'L', then 8 bytes ending in the size
    ASSERT_GT(lengths.size(), 50u);
    for (const std::size_t at : lengths) {
        ASSERT_EQ(good.at(at), 'L') << at;
        for (const char top : {'\x01', '\xff'}) {
            std::string bad = good;
            bad[at + 1] = top;  // the length's most significant byte
            EXPECT_NE(BoosterFile::problem(bad), std::nullopt) << at;
        }
    }
}

TEST(BoosterFile, refusesFormsItDoesNotRead) {
    const std::string good = trained().ubj();
    std::string nested = "{L" + std::string(7, '\0') + "\x01x";
    for (int i = 0; i < 40; ++i) nested += "[";
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"legacy binary", std::string(good.size(), '\0')},
        {"text JSON", json::parse(trained().jsonText()).dump()},
        {"deep nesting", nested},
        {"64-bit float", "{L" + std::string(7, '\0') + "\x01xD" + std::string(8, '\0') + "}"},
        {"typed array of int8", "{L" + std::string(7, '\0') + "\x01x[$i#L" + std::string(7, '\0') + "\x01\x01}"},
        {"repeated key", "{L" + std::string(7, '\0') + "\x01xZL" + std::string(7, '\0') + "\x01xZ}"},
        {"empty", ""},
    };
    for (const auto& [name, bytes] : cases) EXPECT_NE(BoosterFile::problem(bytes), std::nullopt) << name;
}

TEST(BoosterFile, refusesTreesTheLoaderOrPredictorWouldIndexOutside) {
    const json good = json::parse(trained().jsonText());
    auto firstTree = [](json& m) -> json& { return m["learner"]["gradient_booster"]["model"]["trees"][0]; };
    struct Case {
        const char* name;
        std::function<void(json&)> damage;
    };
    const Case cases[] = {
        {"left child past the tree", [&](json& m) { firstTree(m)["left_children"][0] = 1000; }},
        {"negative left child", [&](json& m) { firstTree(m)["left_children"][0] = -5; }},
        {"right child not beside the left", [&](json& m) { firstTree(m)["right_children"][0] = 5; }},
        {"a child leading back up",
         [&](json& m) {
             json& t = firstTree(m);
             const int l = t["left_children"][0];
             t["left_children"][l] = 1;
             t["right_children"][l] = 2;
         }},
        {"split on a feature the model lacks", [&](json& m) { firstTree(m)["split_indices"][0] = 4; }},
        {"parent past the tree", [&](json& m) { firstTree(m)["parents"][1] = 1000; }},
        {"arrays shorter than the node count", [&](json& m) { firstTree(m)["base_weights"].erase(0); }},
        {"node count 0", [&](json& m) { firstTree(m)["tree_param"]["num_nodes"] = "0"; }},
        {"node count not a number", [&](json& m) { firstTree(m)["tree_param"]["num_nodes"] = "7x"; }},
        {"categorical split", [&](json& m) { firstTree(m)["split_type"][0] = 1; }},
        {"two trees with one id", [&](json& m) { m["learner"]["gradient_booster"]["model"]["trees"][1]["id"] = 0; }},
        {"more trees announced than given",
         [&](json& m) { m["learner"]["gradient_booster"]["model"]["gbtree_model_param"]["num_trees"] = "9"; }},
        {"tree of a class the model lacks", [&](json& m) { m["learner"]["gradient_booster"]["model"]["tree_info"][0] = 1; }},
        {"another booster", [&](json& m) { m["learner"]["gradient_booster"]["name"] = "dart"; }},
        {"no output", [&](json& m) { m["learner"]["learner_model_param"]["num_target"] = "0"; }},
        {"rounds of no tree",
         [&](json& m) { m["learner"]["gradient_booster"]["model"]["gbtree_model_param"]["num_parallel_tree"] = "0"; }},
        {"categorical features", [&](json& m) { m["learner"]["feature_types"] = {"c", "c", "c", "c"}; }},
        {"no learner", [&](json& m) { m.erase("learner"); }},
    };
    for (const auto& c : cases) {
        json m = good;
        c.damage(m);
        EXPECT_NE(BoosterFile::problem(encode(m)), std::nullopt) << c.name;
    }
}

TEST(BoosterFile, aCompiledModelWithADamagedBoosterDoesNotLoad) {
    testing::TempDir dir;
    testing::writeConstantModel(dir.path(), "exp", 1.0f);
    const auto folder = dir / "exp.xgbm";
    EXPECT_NO_THROW(CompiledModel::load(folder));
    writeFileAtomically(folder / "model.ubj", readWholeFile(folder / "model.ubj").substr(0, 12));
    try {
        CompiledModel::load(folder);
        ADD_FAILURE() << "loaded";
    } catch (const ModelError& e) {
        EXPECT_EQ(e.code(), ModelError::Code::load);
        EXPECT_STREQ(e.what(), "Modelul „exp.xgbm” nu se poate încărca: fișierul model.ubj este deteriorat.");
    }
}

}  // namespace
}  // namespace orvane
