#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test; then the concurrency tests again under
# ThreadSanitizer (set ORVANE_SKIP_TSAN=1 to leave that second pass out).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
ctest --test-dir build --output-on-failure --parallel "$(nproc)" --timeout 600
if [ "${ORVANE_SKIP_TSAN:-0}" != "1" ]; then
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_TSAN=ON -DORVANE_BUILD_BENCH=OFF >/dev/null
  cmake --build build-tsan --parallel "$(nproc)" --target base_tests pipeline_tests style_tests
  ctest --test-dir build-tsan --output-on-failure --parallel "$(nproc)" --timeout 600 \
    -R 'ManualExecutor|WorkPool|ParallelFor|Offload|Job|Predictor|TrainingSamplesThreads'
fi
