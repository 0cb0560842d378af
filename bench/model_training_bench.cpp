// Times training one target and predicting, for sample counts a real profile reaches; each time is the
// median of rounds.
// Usage: model_training_bench [rows...]
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/bench_timing.h"
#include "core/photo/features.h"
#include "core/style/model.h"
#include "core/style/model_training.h"
#include "testing/model_fixtures.h"

using namespace orvane;

int main(int argc, char** argv) {
    constexpr int rounds = 3;
    std::vector<std::size_t> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(static_cast<std::size_t>(std::atol(argv[i])));
    if (sizes.empty()) sizes = {400, 2000, 5000};
    for (std::size_t n : sizes) {
        auto samples = testing::syntheticSamples(n, 7);
        std::vector<double> trainTimes, predictTimes;
        std::size_t values = 0;
        for (int round = 0; round < rounds; ++round) {
            Model::Frame frame;
            Booster b;
            trainTimes.push_back(bench::seconds([&] {
                frame = Model::frame(samples);
                b = Model::train(frame, "mired");
            }));
            predictTimes.push_back(bench::seconds([&] {
                auto m = Model::featureMatrix(frame);
                values = b.predict(m.data(), frame.rows, Features::count).size();
            }));
        }
        std::printf("%zu samples: train %.0f ms, predict all %.1f ms (%zu values; medians of %d rounds)\n", n,
                    bench::median(trainTimes) * 1000, bench::median(predictTimes) * 1000, values, rounds);
    }
}
