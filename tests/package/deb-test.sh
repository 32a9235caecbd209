#!/usr/bin/env bash
# The Debian package as an administrator meets it: build it from a built
# Linux tree, install it with dpkg, build two small programs against it
# (pkg-config, find_package) and run them, run the installed `kavorin demo`,
# then purge it and check that nothing of it is left.
#
#   tests/package/deb-test.sh [build-dir]      (default build/linux, built)
#
# It installs into the real system, so it runs only as root (CI); elsewhere
# it says why it skips and exits 0.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/linux}
probe_source=$PWD/tests/package/probe

say() { printf 'deb-test: %s\n' "$*"; }
fail() { say "FAILED: $*" >&2; exit 1; }
if [ "$(id -u)" -ne 0 ]; then say "SKIPPED: dpkg -i needs root (CI runs as root)"; exit 0; fi
for tool in dpkg dpkg-deb dpkg-shlibdeps cpack pkg-config cc; do
  command -v "$tool" >/dev/null || { say "SKIPPED: $tool is missing (scripts/install-deps.sh installs it)"; exit 0; }
done
[ -f "$build/CPackConfig.cmake" ] || fail "$build is not a configured Linux build"
if dpkg-query -W -f='${Status}' kavorin 2>/dev/null | grep -q installed; then
  fail "a kavorin package is installed already; this test would replace it (dpkg --purge kavorin first)"
fi

work=$(mktemp -d /tmp/kavorin-deb-test.XXXXXX)
installed=0
cleanup() {
  if [ "$installed" -eq 1 ]; then dpkg --purge kavorin >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# dpkg refuses at once when apt or dpkg runs elsewhere; wait for it a while.
dpkg_locked() {
  local attempt output
  for attempt in $(seq 60); do
    if output=$("$@" 2>&1); then printf '%s\n' "$output"; return 0; fi
    grep -q 'lock' <<<"$output" || { printf '%s\n' "$output" >&2; return 1; }
    sleep 1
  done
  printf '%s\n' "$output" >&2
  return 1
}

start=$(date +%s)
say "building the package"
(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; }
deb=$(ls "$build"/package/kavorin_*.deb)
say "$deb"

# What dpkg will see: dependencies from dpkg-shlibdeps, the conffiles, the
# library's SONAME.
depends=$(dpkg-deb -f "$deb" Depends)
say "Depends: $depends"
grep -q 'libc6 (>=' <<<"$depends" || fail "no libc6 dependency from dpkg-shlibdeps"
grep -q 'libstdc++6' <<<"$depends" || fail "no libstdc++6 dependency from dpkg-shlibdeps"
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles >"$work/conffiles"
for conffile in /etc/kavorin/kavorin.ini /etc/kavorin/kavorin-web.conf; do
  grep -qx "$conffile" "$work/conffiles" || fail "$conffile is not a conffile"
done

# Folders of the package that are there already stay after the purge.
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\.||; s|/$||' | while read -r path; do
  [ -n "$path" ] && [ -d "$path" ] && echo "$path"
done >"$work/folders-before" || true

say "installing"
installed=1
dpkg_locked dpkg -i "$deb" >/dev/null || fail "dpkg -i"
dpkg -L kavorin | sort >"$work/files"
while read -r path; do
  if [ -L "$path" ] || [ -f "$path" ]; then echo "file $path"; elif [ -d "$path" ]; then echo "dir $path"; fi
done <"$work/files" >"$work/typed"

library=$(readlink -f /usr/lib/"$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)"/libKAVORIN_Ctl.so)
soname=$(objdump -p "$library" | awk '$1 == "SONAME" { print $2 }')
[ "$soname" = libKAVORIN_Ctl.so.1 ] || fail "SONAME of $library is '$soname', expected libKAVORIN_Ctl.so.1"
[ -x /usr/lib/kavorin/KAVORIN ] && [ "$(dirname "$library")" = /usr/lib/kavorin ] ||
  fail "the library ($library) does not sit beside the host in /usr/lib/kavorin"

# Two programs built against the installed files, each a POS program that
# loads the library by the system's name and reaches the installed host.
export KAVORIN_CONFIG_DIR=$work/config
mkdir -p "$KAVORIN_CONFIG_DIR"
run_probe() {
  local name=$1 program=$2 runtime=$work/run-$1
  KAVORIN_RUNTIME_DIR=$runtime "$program" || fail "$name: the installed library did not reach the installed host"
  # The host ends half a second after ServiceTerminate; wait for it (bounded).
  for _ in $(seq 50); do [ -e "$runtime/host.lock" ] || return 0; sleep 0.1; done
  fail "$name: the host did not end"
}
say "building with pkg-config"
# shellcheck disable=SC2046
cc -o "$work/probe-pkgconfig" "$probe_source/probe.c" $(pkg-config --cflags --libs kavorin) ||
  fail "cc with pkg-config --cflags --libs kavorin"
run_probe pkg-config "$work/probe-pkgconfig"
say "building with find_package(KAVORIN)"
cmake -S "$probe_source" -B "$work/probe-cmake" -G Ninja >"$work/cmake.log" 2>&1 &&
  cmake --build "$work/probe-cmake" >>"$work/cmake.log" 2>&1 || { cat "$work/cmake.log" >&2; fail "find_package(KAVORIN)"; }
run_probe find_package "$work/probe-cmake/probe"
unset KAVORIN_CONFIG_DIR

say "kavorin demo from the installed files"
logs_before=$(find /var/log/kavorin -name '*.log' 2>/dev/null | wc -l)
kavorin demo >"$work/demo.log" 2>&1 || { cat "$work/demo.log" >&2; fail "kavorin demo"; }
grep -q '^demo completed' "$work/demo.log" || { cat "$work/demo.log" >&2; fail "kavorin demo did not complete"; }
find /var/log/kavorin -name '*.log' | grep -q . || fail "no daily log in /var/log/kavorin (logs before: $logs_before)"

# The web bridge as its unit starts it (ExecStart=/usr/bin/kavorin-web): it
# must load the library beside it and serve.
say "kavorin-web from the installed files"
mkdir -p "$work/web"
port=$(( 20000 + RANDOM % 20000 ))
echo "port=$port" >"$work/web/kavorin-web.conf"
grep -q '^ExecStart=/usr/bin/kavorin-web$' /usr/lib/systemd/user/kavorin-web.service || fail "the unit's ExecStart"
KAVORIN_CONFIG_DIR=$work/web /usr/bin/kavorin-web 2>"$work/web.log" &
web_pid=$!
for _ in $(seq 50); do grep -q 'listening on' "$work/web.log" && break; sleep 0.1; done
served=$(exec 3<>"/dev/tcp/127.0.0.1/$port" &&
         printf 'GET /kavorin-web.js HTTP/1.1\r\nHost: 127.0.0.1:%s\r\nConnection: close\r\n\r\n' "$port" >&3 &&
         timeout 5 head -c 12 <&3) || true
kill "$web_pid" 2>/dev/null; wait "$web_pid" 2>/dev/null || true
[ "$served" = "HTTP/1.1 200" ] || { cat "$work/web.log" >&2; fail "kavorin-web did not serve (got '$served')"; }

say "purging"
dpkg_locked dpkg --purge kavorin >/dev/null || fail "dpkg --purge"
installed=0
left=()
while read -r kind path; do
  if [ "$kind" = file ]; then
    { [ -e "$path" ] || [ -L "$path" ]; } && left+=("$path")
  elif [ -d "$path" ] && ! grep -qxF "$path" "$work/folders-before" && ! dpkg -S "$path" >/dev/null 2>&1; then
    left+=("$path/")  # a folder the package made that no other package owns
  fi
done <"$work/typed"
for path in /etc/kavorin /var/log/kavorin; do [ -e "$path" ] && left+=("$path"); done
[ ${#left[@]} -eq 0 ] || fail "left after purge: ${left[*]}"

say "passed: $(wc -l <"$work/files") paths installed and removed, $(( $(date +%s) - start )) s"
