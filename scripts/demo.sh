#!/usr/bin/env bash
# The main job: installs what is missing, builds the Linux programs and runs
# a credit approval and its voucher print against the built-in terminal
# simulator (kavorin demo), in a temporary configuration of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

scripts/install-deps.sh linux >&2
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$jobs" --target kavorin KAVORIN KAVORIN_Ctl >&2
exec build/linux/bin/kavorin demo "$@"
