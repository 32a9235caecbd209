#!/usr/bin/env bash
# The portable core never includes a platform header. Platform code lives in
# files named *_posix.* / *_win32.* or in folders named posix/ or win32/.
set -euo pipefail
cd "$(dirname "$0")/.."

core_dirs=(common contract host client config web setup)
forbidden='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](windows\.h|winsock2?\.h|unistd\.h|sys/[^>"]*|termios\.h|fcntl\.h|poll\.h|pthread\.h|dlfcn\.h|iconv\.h|asio[^>"]*|openssl/[^>"]*|objbase\.h|ole2\.h|oleauto\.h)[>"]'

found=0
while IFS= read -r -d '' file; do
  case "$file" in
    *_posix.*|*_win32.*|*/posix/*|*/win32/*) continue ;;
  esac
  if grep -nE "$forbidden" "$file"; then
    echo "  ^ in $file: the core must not include platform headers" >&2
    found=1
  fi
done < <(find "${core_dirs[@]}" -type f \( -name '*.cpp' -o -name '*.hpp' -o -name '*.h' \) -print0 2>/dev/null)

if [ "$found" -ne 0 ]; then exit 1; fi
echo "check-core-portable: the core includes no platform header"
