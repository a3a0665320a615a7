#!/usr/bin/env bash
# Builds the Debian package with cpack and checks it with lintian.
# Usage: scripts/package.sh [BUILD_DIR]   (default build/package)
# The .deb is left in BUILD_DIR; lintian's errors and warnings fail the check.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/package}

# Release build with warnings as errors, hardened as Debian builds its packages: checked
# buffer functions, and relocations resolved and made read-only at start-up.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLIROVANE_WARNINGS_AS_ERRORS=ON \
  -DLIROVANE_BUILD_TESTS=OFF -DLIROVANE_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-D_FORTIFY_SOURCE=2" -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro -Wl,-z,now" >/dev/null
cmake --build "$build" -j "${LIROVANE_JOBS:-2}"
rm -f "$build"/lirovane_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/lirovane_*.deb)
echo "package: $deb" >&2

# Installed programs find their libraries through the system's paths: no RUNPATH.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp"
for program in "$tmp"/usr/bin/*; do
  if readelf -d "$program" | grep -qE 'R(UN)?PATH'; then
    echo "package: $(basename "$program") carries an RPATH or RUNPATH" >&2
    exit 1
  fi
done

lintian --fail-on error,warning "$deb"
echo "package: lintian finds nothing to fail on" >&2
