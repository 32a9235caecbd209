#!/usr/bin/env bash
# Terminal simulators on COM ports of a Wine prefix, around one command (the
# CTest emulator of the Windows tests that talk to a terminal):
#
#   scripts/catsim-rig.sh CATSIM DOSDEVICES [--holder HOLDER] -- COMMAND...
#
# CATSIM is the native simulator (tools/catsim), DOSDEVICES the prefix's
# dosdevices folder. One catsim runs per profile below, each on a pty linked
# as the next free comN (from COM40 up, the numbers the pty peer uses, under
# the same lock). COMMAND gets, for each profile P:
#   KAVORIN_TEST_CAT_P          the port name to open, e.g. \\.\COM41
# and KAVORIN_TEST_CAT_RECORDS, the Windows path of a folder holding P.jsonl,
# every byte of that simulator's line both ways (catsim --record).
#
# Profiles (every exchange of that simulator behaves the same):
#   OK        the default answers: approval 0000
#   DECLINE   response code 8001 (StatusCheck -1000)
#   SILENCE   no answer to ENQ (-3)
#   NAK       NAK instead of ACK (-7)
#   DLE       DLE instead of ACK (-5)
#   EOT       EOT instead of ACK: no response frame (-1 for a transaction)
#   GARBAGE   a byte, then EOT, before the response (-6)
#   MODEM     as OK, on a pty that gets modem lines from the shim below
#
# With --holder, HOLDER (tests/win32/pty_holder) also holds one more pty
# that nobody reads or answers, a plain program's device, on the port in
# KAVORIN_TEST_CAT_HELD. With KAVORIN_MODEM_LINES_SHIM set (the LD_PRELOAD
# path of tests/win32/modem_lines_shim.c), COMMAND runs with that shim, which
# gives the held pty and the MODEM simulator's pty modem lines: Wine then
# waits for their events as it does on a USB adapter, where on the other ptys
# it gives up at once and the channel reads with a time-out instead.
#
# The simulators and their links go when COMMAND ends; its exit status is
# the rig's.
set -euo pipefail

usage() { echo "usage: $0 CATSIM DOSDEVICES [--holder HOLDER] -- COMMAND..." >&2; exit 125; }
[ $# -ge 4 ] || usage
catsim=$1
dosdevices=$2
shift 2
holder=
if [ "$1" = "--holder" ]; then
  [ $# -ge 4 ] || usage
  holder=$2
  shift 2
fi
[ "$1" = "--" ] || usage
shift
[ -x "$catsim" ] || { echo "catsim-rig: no simulator at $catsim" >&2; exit 125; }
mkdir -p "$dosdevices"

declare -A profiles=(
  [OK]=""
  [DECLINE]="--response-code 8001"
  [SILENCE]="--fault *:silence"
  [NAK]="--fault *:nak"
  [DLE]="--fault *:dle"
  [EOT]="--fault *:eot"
  [GARBAGE]="--fault *:noise-before-response=4104"
  [MODEM]=""
)
declare -A profile_links=()

work=$(mktemp -d "${TMPDIR:-/tmp}/catsim-rig.XXXXXX")
pids=()
links=()

cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  for link in "${links[@]}"; do rm -f "$link"; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A link nobody serves any more: its target is gone (a pty that closed), or
# it is the pty peer's missing device and that peer has ended.
is_stale() {
  local target
  target=$(readlink "$1") || return 1
  if [[ $target =~ kavorin-missing-([0-9]+) ]]; then
    ! kill -0 "${BASH_REMATCH[1]}" 2>/dev/null
  else
    [ ! -e "$1" ]
  fi
}

# Claims the next free comN with a placeholder the simulator then replaces
# in one step; prints N.
claim() {
  local n link
  for ((n = 40; n <= 256; n++)); do
    link=$dosdevices/com$n
    if ln -s /dev/null "$link" 2>/dev/null; then
      echo "$n"
      return 0
    fi
    if is_stale "$link"; then
      rm -f "$link"
      ((n--))
    fi
  done
  echo "catsim-rig: no free COM number in $dosdevices" >&2
  return 1
}

exec 9>"$dosdevices/../.kavorin-ports.lock"
flock 9
for profile in "${!profiles[@]}"; do
  n=$(claim)
  link=$dosdevices/com$n
  links+=("$link")
  profile_links[$profile]=$link
  read -ra options <<<"${profiles[$profile]}"
  "$catsim" --link "$link" --quiet --record "$work/$profile.jsonl" "${options[@]}" \
    >"$work/$profile.port" 2>"$work/$profile.err" &
  pids+=($!)
  export "KAVORIN_TEST_CAT_$profile=\\\\.\\COM$n"
done
if [ -n "$holder" ]; then
  n=$(claim)
  link=$dosdevices/com$n
  links+=("$link")
  profile_links[HELD]=$link
  "$holder" "$link" >"$work/HELD.port" 2>"$work/HELD.err" &
  pids+=($!)
  export "KAVORIN_TEST_CAT_HELD=\\\\.\\COM$n"
fi
flock -u 9
exec 9>&-

# Should the rig itself be killed (a test time-out), the simulators must not
# stay behind holding their ports.
rig=$$
( while kill -0 "$rig" 2>/dev/null; do sleep 1; done; kill "${pids[@]}" 2>/dev/null ) &
pids+=($!)

# Ready once each simulator has printed its port (the link then points at
# its pty).
ready=("${!profiles[@]}")
[ -z "$holder" ] || ready+=(HELD)
for profile in "${ready[@]}"; do
  for ((i = 0; i < 200; i++)); do
    [ -s "$work/$profile.port" ] && break
    sleep 0.05
  done
  if [ ! -s "$work/$profile.port" ]; then
    echo "catsim-rig: the $profile simulator did not start:" >&2
    cat "$work/$profile.err" >&2
    exit 125
  fi
done

if [ -n "${KAVORIN_MODEM_LINES_SHIM:-}" ]; then
  modem_ptys=$(readlink -f "${profile_links[MODEM]}")
  [ -z "$holder" ] || modem_ptys+=":$(readlink -f "${profile_links[HELD]}")"
  export LD_PRELOAD=$KAVORIN_MODEM_LINES_SHIM KAVORIN_MODEM_LINES_PTYS=$modem_ptys
fi
export KAVORIN_TEST_CAT_RECORDS="Z:${work//\//\\}"
status=0
"$@" || status=$?
exit "$status"
