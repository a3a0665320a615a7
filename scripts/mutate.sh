#!/usr/bin/env bash
# Mutation check: plants each one-line fault of scripts/mutations.txt in a scratch copy of
# the tree, rebuilds incrementally, runs the tests and puts the line back. A fault that some
# test catches is "caught"; one that every test passes is "survived". Prints a table and the
# score. Usage: scripts/mutate.sh [SCRATCH_DIR [ROW...]]   (default /tmp/lirovane-mutate; ROWs
# are 1-based row numbers of the list, all rows when none are given)
# The workflow test is left out: it runs snakemake for ~20 s and sees the core only through
# the command line, which the other tests drive too. A full run takes 20-30 minutes on 2 cores.
# Each line of mutations.txt is: FILE<TAB>TEXT<TAB>REPLACEMENT<TAB>WHAT, and TEXT must occur
# exactly once in FILE, so the list fails loudly when the code under it changes.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)
scratch=${1:-/tmp/lirovane-mutate}
shift || true
only=" $* "
list="$src/scripts/mutations.txt"
# ccache keys on paths relative to the tree, so the scratch copy reuses the shared cache.
export CCACHE_BASEDIR="$scratch"

mkdir -p "$scratch"
# Keep the scratch build between runs so that only what changed is rebuilt.
find "$scratch" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
# Extracted with the time of the copy (-m): a file older than its object from an earlier
# run would otherwise not be rebuilt. ccache makes the unchanged ones cheap.
git ls-files -z | tar --null -T - -cf - | tar -xmf - -C "$scratch"
cd "$scratch"
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake --preset ci -DLIROVANE_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
nice -n 5 cmake --build --preset ci >/dev/null
tests=(ctest --preset ci -j2 -E '^workflow$' --stop-on-failure --timeout 120)
# A fault counts as caught only when the tests pass without it.
if ! "${tests[@]}" >/dev/null 2>&1; then
  echo "mutate: the tests fail without any fault planted; fix them first" >&2
  exit 1
fi

caught=0 total=0 row=0
printf '%-4s %-9s %-40s %s\n' '#' result file fault
while IFS= read -r line; do
  [[ -z "$line" || "$line" == \#* ]] && continue
  # Split at tabs without merging them: an empty replacement deletes the text.
  IFS=$'\x1f' read -r file text replacement what <<<"${line//$'\t'/$'\x1f'}"
  row=$((row + 1))
  [[ "$only" == "  " || "$only" == *" $row "* ]] || continue
  total=$((total + 1))
  cp "$file" "$file.orig"
  if ! python3 - "$file" "$text" "$replacement" <<'PY'
import sys
path, text, repl = sys.argv[1:4]
body = open(path, encoding="utf-8").read()
if body.count(text) != 1:
    sys.exit(1)
open(path, "w", encoding="utf-8").write(body.replace(text, repl))
PY
  then
    result="stale"
  elif ! nice -n 5 cmake --build --preset ci >/dev/null 2>&1; then
    result="no-build" # a fault must compile to say anything about the tests
  elif "${tests[@]}" >/dev/null 2>&1; then
    result="SURVIVED"
  else
    result="caught"
    caught=$((caught + 1))
  fi
  mv "$file.orig" "$file"
  [ "$result" = caught ] || [ "$result" = SURVIVED ] || total=$((total - 1))
  printf '%-4s %-9s %-40s %s\n' "$row" "$result" "$file" "$what"
done <"$list"
cmake --build --preset ci >/dev/null
echo "mutation score: $caught of $total caught"
