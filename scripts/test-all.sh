#!/usr/bin/env bash
# The project's test command: installs what is missing, then builds and runs
# every test (native, sanitizers, fuzzers for a bounded time) and cross-builds
# the Windows targets. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)
step() { printf '\n==== %s ====\n' "$*"; }

step "dependencies"
scripts/install-deps.sh

step "core portability"
scripts/check-core-portable.sh

for preset in linux linux-asan; do
  step "build and test: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done

# The Debian package of the linux build: installed, used and purged again.
step "Debian package"
tests/package/deb-test.sh build/linux

# The host's Wine tests run the Linux build's catsim beside Wine.
windows_options=(-DKAVORIN_WINE_DIR="$PWD/build/wine" -DKAVORIN_CATSIM="$PWD/build/linux/bin/catsim")

step "cross-compile: mingw32"
cmake --preset mingw32 "${windows_options[@]}" >/dev/null
cmake --build --preset mingw32 -j "$jobs"

# Both Windows builds run their tests in one Wine prefix with one persistent
# wineserver; the prefix is made on the first run (about 20 s).
step "Wine test: mingw32, mingw64"
cmake --preset mingw64 "${windows_options[@]}" >/dev/null
cmake --build --preset mingw64 -j "$jobs"
# i686 is the shipping build, but a kernel without 32-bit support runs no
# i686 Windows program: its suite is then skipped, loudly, and only x86_64 runs.
wine_builds="build/mingw32 build/mingw64"
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  wine_builds="build/mingw64"
  echo "WARNING: this machine's kernel runs no 32-bit programs; the mingw32 (i686) Wine suite is SKIPPED" >&2
fi
wine_start=$(date +%s)
scripts/wine-env.sh run build/wine -- bash -c '
  for build in '"$wine_builds"'; do ctest --test-dir "$build" --output-on-failure || exit 1; done'
echo "Wine tests: $(( $(date +%s) - wine_start )) s wall time"

if command -v clang++ >/dev/null; then
  step "fuzz (bounded)"
  scripts/run-fuzzers.sh "${KAVORIN_FUZZ_SECONDS:-20}"
fi

step "all tests passed"
