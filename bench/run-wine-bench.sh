#!/usr/bin/env bash
# The round-trip benchmarks of both builds in one run, so that their ratios
# come from the same machine at the same time: the Linux client and host
# benchmarks, sign decoding against pure DES, then the Windows library's COM
# path under Wine.
#
#   bench/run-wine-bench.sh [LINUX_BUILD [WINDOWS_BUILD]]   (defaults:
#   build/linux and build/mingw32; both must be built, the Windows one with
#   bench_com; the Wine prefix is KAVORIN_WINE_DIR, default build/wine, the
#   one scripts/test-all.sh uses)
set -euo pipefail
cd "$(dirname "$0")/.."
linux=${1:-build/linux}
windows=${2:-build/mingw32}
calls=${KAVORIN_BENCH_CALLS:-300}

for program in "$linux/bin/bench_client" "$linux/bin/bench_host" "$linux/bin/bench_imaging" "$windows/bin/bench_com.exe"; do
  [ -x "$program" ] || [ -f "$program" ] || { echo "missing $program: build it first" >&2; exit 1; }
done

echo "==== Linux: client library (bench_client) ===="
"$linux/bin/bench_client" 5
echo "==== Linux: host (bench_host) ===="
"$linux/bin/bench_host" 5000
echo "==== Linux: sign data to BMP against pure DES (bench_imaging) ===="
"$linux/bin/bench_imaging" --benchmark_filter=LargestPageSignVersusDes --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true
echo "==== Windows build under Wine: the library's COM path (bench_com) ===="
scripts/wine-env.sh run "${KAVORIN_WINE_DIR:-build/wine}" -- bash -c '
  wine "$1/bin/KAVORIN.exe" /RegServer </dev/null >/dev/null 2>&1
  out=$(mktemp "$TMPDIR/bench.XXXXXX")
  wine "$1/bin/bench_com.exe" "$2" </dev/null >"$out" 2>&1 || { cat "$out"; exit 1; }
  cat "$out"; rm -f "$out"' bash "$windows" "$calls"
