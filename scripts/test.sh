#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test; then the concurrency tests again under
# ThreadSanitizer (set ORVANE_SKIP_TSAN=1 to leave that second pass out).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
ctest --test-dir build --output-on-failure --parallel "$(nproc)" --timeout 600
# Each test executable once more, whole, in one process: ctest runs every case alone, and state kept
# per process (the data folder, caches) must not make cases depend on their neighbours.
for exe in $(find build -mindepth 2 -maxdepth 2 -type f -executable -name '*_tests' | sort); do
  echo "== $exe (whole)"
  (cd "$(dirname "$exe")" && "./$(basename "$exe")" --gtest_brief=1)
done
if [ "${ORVANE_SKIP_TSAN:-0}" != "1" ]; then
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_TSAN=ON -DORVANE_BUILD_BENCH=OFF >/dev/null
  cmake --build build-tsan --parallel "$(nproc)" --target base_tests pipeline_tests style_tests vision_tests
  ctest --test-dir build-tsan --output-on-failure --parallel "$(nproc)" --timeout 600 \
    -R 'ManualExecutor|WorkPool|ParallelFor|Offload|Job|Predictor|TrainingSamplesThreads|DetectorThreads'
fi
