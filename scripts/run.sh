#!/usr/bin/env bash
# Installs what is missing, builds, and runs Lirovane on the bundled sample:
# the desktop window where there is a display, otherwise the command-line batch.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target lirovane lirovane-batch
out="$root/out/lambda-gallery"
mkdir -p "$out"
# The window's file choosers open in its working folder: put the sample there.
cp -n "$root"/examples/lambda_phage.* "$out"/
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  cd "$out" && exec "$root/build/dev/src/ui/lirovane"
fi
"$root/build/dev/src/cli/lirovane-batch" \
  --sequence "$root/examples/lambda_phage.fa" \
  --patterns "$root/examples/lambda_phage.pat" \
  --size 6 --out "$out"
echo "Gallery written to $out/index.htm"
