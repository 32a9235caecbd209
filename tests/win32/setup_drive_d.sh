#!/usr/bin/env bash
# Around the installer's Wine tests: makes their prefix and maps its drive
# D: onto a folder of the build tree, so that a case can put the
# program-files folder on D:.
#   tests/win32/setup_drive_d.sh <winedir> -- <command...>
set -euo pipefail
mkdir -p "$1"
winedir=$(cd "$1" && pwd)
shift
[ "${1:-}" = "--" ] && shift
here=$(cd "$(dirname "$0")/../.." && pwd)
"$here/scripts/wine-env.sh" prefix "$winedir"
mkdir -p "$winedir/drive_d"
ln -sfn "$winedir/drive_d" "$winedir/prefix/dosdevices/d:"
exec "$@"
