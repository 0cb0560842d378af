#!/usr/bin/env bash
# Configures and builds everything into build/ (Release with debug info). Warnings are errors here
# (ORVANE_WERROR=OFF bash scripts/build.sh to build with a compiler that warns more).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_WERROR="${ORVANE_WERROR:-ON}" >/dev/null
cmake --build build --parallel "$(nproc)"
