#!/usr/bin/env bash
# Builds the asan preset (address, leak and undefined-behaviour sanitizers, in
# build/asan) and runs every test under it. The exit status is the tests'.
# Extra arguments go to ctest: scripts/asan.sh -R CompressedInput
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset asan >/dev/null
cmake --build --preset asan
# A report names the faulty line; the sanitizers already stop at the first one.
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
ctest --preset asan -j2 "$@"
