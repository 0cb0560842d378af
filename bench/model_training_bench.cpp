// Times training one target and predicting, for sample counts a real profile reaches.
// Usage: model_training_bench [rows...]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/photo/features.h"
#include "core/style/model.h"
#include "core/style/model_training.h"
#include "testing/model_fixtures.h"

using namespace orvane;

int main(int argc, char** argv) {
    std::vector<std::size_t> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(static_cast<std::size_t>(std::atol(argv[i])));
    if (sizes.empty()) sizes = {400, 2000, 5000};
    for (std::size_t n : sizes) {
        auto samples = testing::syntheticSamples(n, 7);
        auto t0 = std::chrono::steady_clock::now();
        auto frame = Model::frame(samples);
        Booster b = Model::train(frame, "mired");
        auto t1 = std::chrono::steady_clock::now();
        auto m = Model::featureMatrix(frame);
        auto out = b.predict(m.data(), frame.rows, Features::count);
        auto t2 = std::chrono::steady_clock::now();
        std::printf("%zu samples: train %.0f ms, predict all %.1f ms (%zu values)\n", n,
                    std::chrono::duration<double, std::milli>(t1 - t0).count(),
                    std::chrono::duration<double, std::milli>(t2 - t1).count(), out.size());
    }
}
