#include "core/style/booster.h"

#include <xgboost/c_api.h>

#include <cmath>
#include <cstdint>
#include <mutex>

#include "core/style/model_error.h"

// XGBoost runs OpenMP loops (loading a model, building a matrix) before its own thread setting applies.
// The OpenMP runtime comes in with the library; weak references pin those loops to the calling thread
// without a direct dependency.
extern "C" {
void omp_set_num_threads(int) __attribute__((weak));
int omp_get_max_threads() __attribute__((weak));
}

namespace orvane {
namespace {

// For its lifetime, OpenMP regions started by this thread run on this thread alone.
class OneOpenMpThread {
public:
    OneOpenMpThread() {
        if (omp_set_num_threads && omp_get_max_threads) {
            saved_ = omp_get_max_threads();
            omp_set_num_threads(1);
        }
    }
    ~OneOpenMpThread() {
        if (saved_ > 0) omp_set_num_threads(saved_);
    }
    OneOpenMpThread(const OneOpenMpThread&) = delete;
    OneOpenMpThread& operator=(const OneOpenMpThread&) = delete;

private:
    int saved_ = 0;
};

void check(int rc, const char* what) {
    if (rc != 0) {
        throw ModelError(ModelError::Code::engine, std::string("XGBoost: ") + what + ": " + XGBGetLastError());
    }
}

void quietOnce() {
    static std::once_flag once;
    std::call_once(once, [] { XGBSetGlobalConfig("{\"verbosity\":0}"); });
}

// RAII for a training matrix.
struct Matrix {
    DMatrixHandle h = nullptr;
    ~Matrix() {
        if (h) XGDMatrixFree(h);
    }
};

}  // namespace

Booster::Booster() {
    quietOnce();
    BoosterHandle h = nullptr;
    check(XGBoosterCreate(nullptr, 0, &h), "create");
    handle_ = h;
}

Booster::~Booster() {
    if (handle_) XGBoosterFree(handle_);
}

Booster::Booster(Booster&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Booster& Booster::operator=(Booster&& other) noexcept {
    if (this != &other) {
        if (handle_) XGBoosterFree(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

Booster Booster::fromBytes(std::string_view bytes) {
    Booster b;
    // One thread from the start: loading already runs parallel loops otherwise.
    b.setParam("nthread", "1");
    OneOpenMpThread one;
    check(XGBoosterLoadModelFromBuffer(b.handle_, bytes.data(), bytes.size()), "load model");
    return b;
}

std::string Booster::ubj() const {
    bst_ulong len = 0;
    const char* data = nullptr;
    check(XGBoosterSaveModelToBuffer(handle_, "{\"format\":\"ubj\"}", &len, &data), "save model");
    return std::string(data, len);
}

std::string Booster::jsonText() const {
    bst_ulong len = 0;
    const char* data = nullptr;
    check(XGBoosterSaveModelToBuffer(handle_, "{\"format\":\"json\"}", &len, &data), "save model");
    return std::string(data, len);
}

void Booster::setParam(const std::string& name, const std::string& value) {
    check(XGBoosterSetParam(handle_, name.c_str(), value.c_str()), "set parameter");
}

std::size_t Booster::featureCount() const {
    bst_ulong n = 0;
    check(XGBoosterGetNumFeature(handle_, &n), "feature count");
    return n;
}

int Booster::rounds() const {
    int n = 0;
    check(XGBoosterBoostedRounds(handle_, &n), "rounds");
    return n;
}

Booster Booster::train(const std::vector<float>& matrix, std::size_t rows, std::size_t cols,
                       const std::vector<float>& labels,
                       const std::vector<std::pair<std::string, std::string>>& params, int rounds,
                       const std::vector<std::string>& featureNames) {
    quietOnce();
    if (rows == 0 || matrix.size() != rows * cols || labels.size() != rows) {
        throw ModelError(ModelError::Code::train, "Nu există date de antrenare pentru model.");
    }
    OneOpenMpThread one;
    Matrix m;
    check(XGDMatrixCreateFromMat_omp(matrix.data(), rows, cols, NAN, &m.h, 1), "training matrix");
    check(XGDMatrixSetFloatInfo(m.h, "label", labels.data(), rows), "labels");
    if (!featureNames.empty()) {
        std::vector<const char*> names;
        for (const auto& n : featureNames) names.push_back(n.c_str());
        check(XGDMatrixSetStrFeatureInfo(m.h, "feature_name", names.data(), names.size()), "feature names");
    }
    BoosterHandle h = nullptr;
    DMatrixHandle dms[1] = {m.h};
    check(XGBoosterCreate(dms, 1, &h), "create");
    Booster b;
    XGBoosterFree(b.handle_);
    b.handle_ = h;
    // Parallelism comes from the callers (photo workers, builds), never from inside the library.
    b.setParam("nthread", "1");
    for (const auto& [name, value] : params) b.setParam(name, value);
    for (int i = 0; i < rounds; ++i) check(XGBoosterUpdateOneIter(h, i, m.h), "training round");
    return b;
}

std::vector<float> Booster::predict(const float* matrix, std::size_t rows, std::size_t cols) const {
    // The array-interface text carries the data's address; "missing" must be the NaN token.
    std::string values = "{\"data\":[" + std::to_string(reinterpret_cast<std::uintptr_t>(matrix)) +
                         ",true],\"shape\":[" + std::to_string(rows) + "," + std::to_string(cols) +
                         "],\"typestr\":\"<f4\",\"version\":3}";
    static const char* config =
        "{\"cache_id\":0,\"type\":0,\"training\":false,\"iteration_begin\":0,\"iteration_end\":0,\"strict_shape\":true,"
        "\"missing\":NaN}";
    const bst_ulong* shape = nullptr;
    bst_ulong dim = 0;
    const float* out = nullptr;
    check(XGBoosterPredictFromDense(handle_, values.c_str(), config, nullptr, &shape, &dim, &out), "predict");
    std::size_t n = 1;
    for (bst_ulong i = 0; i < dim; ++i) n *= shape[i];
    if (n != rows) {
        throw ModelError(ModelError::Code::engine, "XGBoost: predict: unexpected result shape");
    }
    // The result buffer belongs to this thread inside XGBoost and is reused by its next call: copy now.
    return std::vector<float>(out, out + n);
}

}  // namespace orvane
