#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (the "fuzz" preset) and runs each for
# SECONDS seconds (default 60), starting from a copy of its checked-in corpus so the
# corpus in the tree changes only when someone copies new finds in on purpose.
# Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for target in build/fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  mkdir -p "$work/$name"
  if [ -d "tests/fuzz/corpus/$name" ]; then cp -r "tests/fuzz/corpus/$name/." "$work/$name/"; fi
  echo "== $name: $seconds s" >&2
  if ! (cd "$work" && "$OLDPWD/$target" -max_total_time="$seconds" -artifact_prefix="$work/$name-" "$work/$name"); then
    echo "== $name found a failing input; see $work/$name-* (kept)" >&2
    trap - EXIT
    status=1
  fi
done
exit $status
