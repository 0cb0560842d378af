#pragma once
// A small owner of the XGBoost C API: one booster handle, its training, its UBJ form and dense
// in-place prediction. Every call checks the library's result and throws ModelError(engine).
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvane {

class Booster {
public:
    Booster();  // an empty booster
    ~Booster();
    Booster(Booster&& other) noexcept;
    Booster& operator=(Booster&& other) noexcept;
    Booster(const Booster&) = delete;
    Booster& operator=(const Booster&) = delete;

    // Reads a booster saved as UBJ (or XGBoost JSON).
    static Booster fromBytes(std::string_view bytes);
    // The booster as UBJ; the same model gives the same bytes.
    std::string ubj() const;
    // The booster as XGBoost's JSON text (for inspection and tests).
    std::string jsonText() const;

    void setParam(const std::string& name, const std::string& value);
    std::size_t featureCount() const;
    int rounds() const;

    // Trains on a row-major matrix (NaN marks a missing value) with one label per row. Parameters are
    // set in the order given; `featureNames` (one per column) are recorded in the model.
    static Booster train(const std::vector<float>& matrix, std::size_t rows, std::size_t cols,
                         const std::vector<float>& labels, const std::vector<std::pair<std::string, std::string>>& params,
                         int rounds, const std::vector<std::string>& featureNames);

    // Predicts every row of a row-major matrix (NaN = missing). Safe to call from several threads on
    // one booster once it has predicted once (the first call finishes the booster's lazy set-up).
    std::vector<float> predict(const float* matrix, std::size_t rows, std::size_t cols) const;

private:
    void* handle_ = nullptr;
};

}  // namespace orvane
