#include "core/style/compiled_model.h"

#include <cmath>
#include <limits>

#include "core/base/atomic_file.h"
#include "core/photo/features.h"
#include "core/style/booster_file.h"
#include "core/style/model.h"
#include "core/style/model_error.h"

namespace orvane {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const fs::path& folder, const std::string& why) {
    throw ModelError(ModelError::Code::load,
                     "Modelul „" + folder.filename().string() + "” nu se poate încărca: " + why);
}

std::vector<std::size_t> columnIndexes(const std::vector<std::string>& inputs, const fs::path& folder) {
    const auto& columns = Model::columns();
    std::vector<std::size_t> out;
    for (const auto& name : inputs) {
        std::size_t i = 0;
        while (i < columns.size() && columns[i] != name) ++i;
        if (i == columns.size()) fail(folder, "coloana de intrare „" + name + "” este necunoscută.");
        out.push_back(i);
    }
    return out;
}

}  // namespace

void CompiledModel::compile(const fs::path& source, const CompiledModelInfo& info, const fs::path& folder) {
    Booster b = Booster::fromBytes(readWholeFile(source));
    columnIndexes(info.inputs, folder);
    if (b.featureCount() != info.inputs.size()) fail(folder, "numărul de intrări diferă de cel al modelului.");
    fs::create_directory(folder);  // throws when it cannot be made
    writeFileAtomically(folder / boosterFile, b.ubj());
    writeFileAtomically(folder / infoFile, json::dump(json::encode(info)));
}

CompiledModel CompiledModel::load(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) fail(folder, "dosarul modelului lipsește.");
    CompiledModelInfo info;
    std::string bytes;
    try {
        info = json::decode<CompiledModelInfo>(json::parse(readWholeFile(folder / infoFile)));
        bytes = readWholeFile(folder / boosterFile);
    } catch (const std::exception& e) {
        fail(folder, e.what());
    }
    auto columns = columnIndexes(info.inputs, folder);
    // The file may come from another machine (an imported profile): XGBoost reads it only once it is
    // known to be safe to read.
    if (auto why = BoosterFile::problem(bytes)) fail(folder, *why);
    try {
        Booster b = Booster::fromBytes(bytes);
        if (b.featureCount() != info.inputs.size()) fail(folder, "numărul de intrări diferă de cel al modelului.");
        // Parallelism comes from the photo workers, never from inside one prediction.
        b.setParam("nthread", "1");
        CompiledModel model(std::move(b), std::move(info), std::move(columns));
        // The first prediction finishes the booster's lazy configuration; do it here, before sharing.
        model.predict(std::vector<float>(Features::count, std::numeric_limits<float>::quiet_NaN()));
        return model;
    } catch (const ModelError& e) {
        if (e.code() == ModelError::Code::load) throw;
        fail(folder, e.what());
    }
}

double CompiledModel::predict(const std::vector<float>& row) const {
    std::vector<float> input(columns_.size(), std::numeric_limits<float>::quiet_NaN());
    for (std::size_t k = 0; k < columns_.size(); ++k) {
        if (columns_[k] < row.size()) input[k] = row[columns_[k]];
    }
    auto out = booster_.predict(input.data(), 1, input.size());
    return out.at(0);
}

}  // namespace orvane
