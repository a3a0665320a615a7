#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset ci >/dev/null
cmake --build --preset ci
ctest --preset ci -j2
# Format and clang-tidy checks over src/ (scripts/lint.sh); LIROVANE_LINT=0 skips them.
if [ "${LIROVANE_LINT:-1}" = 1 ]; then bash scripts/lint.sh build/ci; fi
