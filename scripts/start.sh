#!/usr/bin/env bash
# Installs what is needed, builds, and starts the desktop application.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
if [ -x build/app/OrvaneStudio ]; then
  exec build/app/OrvaneStudio "$@"
fi
echo "Built the core library and its tests. The desktop application (build/app/OrvaneStudio) is not part of this build yet; it will start from here once it exists."
