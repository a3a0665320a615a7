#!/usr/bin/env bash
# Checks that src/ is formatted as .clang-format says (clang-format 14), that clang-tidy
# finds nothing in it with the project's .clang-tidy, and that no function in tests/ or
# bench/ is over 60 lines. Any finding fails.
# Usage: scripts/lint.sh [BUILD_DIR]   (default build/ci; it needs compile_commands.json,
# which every configure writes, and the generated Qt sources of a finished build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/ci}
jobs=${LIROVANE_LINT_JOBS:-2}

mapfile -t sources < <(git ls-files 'src/*.cpp' 'src/*.h')

failed=0
echo "lint: clang-format on ${#sources[@]} files" >&2
if ! clang-format --dry-run --Werror "${sources[@]}" 2>/dev/null; then
  mapfile -t unformatted < <(for f in "${sources[@]}"; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || echo "$f"; done)
  printf 'lint: not formatted: %s\n' "${unformatted[@]}" >&2
  echo "lint: fix with: git ls-files 'src/*.cpp' 'src/*.h' | xargs clang-format -i" >&2
  failed=1
fi

if [ ! -f "$build/compile_commands.json" ]; then
  echo "lint: $build/compile_commands.json is missing: configure and build first" >&2
  exit 1
fi
# Only the project's own translation units: not the tests, benchmarks or Qt's generated files.
# Units whose sources and project headers are unchanged since a clean run in this build
# directory are skipped (scripts/tidy_todo.py); a fresh build directory checks them all.
mapfile -t todo < <(python3 scripts/tidy_todo.py "$build" list)
echo "lint: clang-tidy over ${#todo[@]} changed units of src/ ($jobs jobs)" >&2
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
if [ ${#todo[@]} -gt 0 ]; then
  pattern=$(printf '%s\n' "${todo[@]}" | cut -d' ' -f1 | sed 's/[.+]/\\&/g' | paste -sd'|')
  run-clang-tidy -quiet -p "$build" -j "$jobs" "^($pattern)\$" >"$log" 2>&1 || status=$?
fi
# A finding in a header shows once per file that includes it: list each once.
if [ "$status" -ne 0 ] || grep -qE "(warning|error):" "$log"; then
  grep -E "(warning|error):" "$log" | sed 's/\x1b\[[0-9;]*m//g' | sort -u >&2 || cat "$log" >&2
  echo "lint: clang-tidy found problems" >&2
  failed=1
fi
if [ ${#todo[@]} -gt 0 ] && [ "$status" -eq 0 ] && [ "$failed" -eq 0 ]; then
  printf '%s\n' "${todo[@]}" | cut -s -d' ' -f2 | xargs -r python3 scripts/tidy_todo.py "$build" record
fi

# Tests and benchmarks: the 60-line limit alone, over every function body, TEST() and
# TEST_F() bodies and QtTest slots included. gtest's macros live in a system header, so a
# TEST() body counts as system code unless --system-headers is given; what that shows
# outside tests/ and bench/ is dropped.
mapfile -t todo < <(python3 scripts/tidy_todo.py "$build" list tests bench)
echo "lint: function size over ${#todo[@]} changed units of tests/ and bench/ ($jobs jobs)" >&2
: >"$log"
if [ ${#todo[@]} -gt 0 ]; then
  printf '%s\n' "${todo[@]}" | cut -d' ' -f1 |
    xargs -r -P "$jobs" -n 1 clang-tidy -p "$build" --quiet --checks='-*,readability-function-size' \
      --system-headers --header-filter="^$(pwd)/(tests|bench)/" >"$log" 2>&1 || true
fi
if grep -qE "^$(pwd)/(tests|bench)/.*(warning|error):|error:" "$log"; then
  grep -E "(warning|error):" "$log" | grep -vE "^/usr/" | sed 's/\x1b\[[0-9;]*m//g' | sort -u >&2
  echo "lint: a function in tests/ or bench/ is over 60 lines, or a unit did not parse" >&2
  failed=1
elif [ ${#todo[@]} -gt 0 ]; then
  printf '%s\n' "${todo[@]}" | cut -s -d' ' -f2 | xargs -r python3 scripts/tidy_todo.py "$build" record
fi
if [ "$failed" -ne 0 ]; then exit 1; fi
echo "lint: clean" >&2
