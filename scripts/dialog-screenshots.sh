#!/usr/bin/env bash
# Screenshots of Property.dll's dialogs and of the installer's options
# dialog (Konfira.dll) as a person sees them: Wine's X11
# driver on a virtual X server (Xvfb), Korean fonts from fonts-nanum in
# place of the Windows dialog fonts (scripts/wine-korean-fonts.sh). Writes
# one PNG a dialog into the output folder.
#
#   scripts/dialog-screenshots.sh [BUILD] [OUT]
#
# BUILD is a Windows build tree (default build/mingw32, built with its
# dialog_shot target); OUT defaults to docs/screenshots. Needs xvfb,
# imagemagick, fonts-nanum and fonts-wine (Wine's own Tahoma and Marlett,
# for captions and caption buttons). The prefix is its own, in BUILD/screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/mingw32}
out=${2:-docs/screenshots}
work=$build/screenshots
for tool in Xvfb import convert; do
  command -v "$tool" >/dev/null || { echo "dialog-screenshots: $tool is missing (xvfb, imagemagick)" >&2; exit 1; }
done
[ -f /usr/share/wine/fonts/marlett.ttf ] || echo "dialog-screenshots: fonts-wine is missing; caption buttons will look wrong" >&2
programs="Property.dll Konfira.dll dialog_shot.exe"
for program in $programs; do
  [ -f "$build/bin/$program" ] || { cmake --build "$build" --target dialog_shot Property Konfira; break; }
done
mkdir -p "$work/bin" "$out"
for program in $programs; do cp "$build/bin/$program" "$work/bin/"; done

# A day's log beside the library, for the log viewer.
mkdir -p "$work/bin/log"
printf '09:00:01\t[*]\t승인 요청 COM3 9600|\r\n09:00:02\t[*]\t승인 완료 (승인번호 12345678)|\r\n09:10:44\t[*]\t서버 연결 lombra.torq.example:9001|\r\n' |
  iconv -f UTF-8 -t CP949 >"$work/bin/log/$(date +%Y%m%d).log"

scripts/wine-env.sh prefix "$work/wine"
display=:$(( 90 + $$ % 100 ))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display

# The prefix's settings first, with no server running: its desktop and
# services then start with the X11 driver.
scripts/wine-env.sh exec "$work/wine" -- bash -c '
  set -euo pipefail
  # The X11 driver instead of the tests'"'"' null one.
  wine reg delete "HKCU\\Software\\Wine\\Drivers" /v Graphics /f >/dev/null 2>&1 || true
  # No window manager runs on the virtual screen: Wine draws the frames and
  # captions itself, as Windows would.
  wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Decorated /d N /f >/dev/null 2>&1
  scripts/wine-korean-fonts.sh "$WINEPREFIX"
  # Wine'"'"'s own Tahoma and Marlett in the prefix'"'"'s Fonts folder: a Wine
  # started through its 64-bit loader alone does not look in its data
  # folder, and the caption buttons then show Marlett'"'"'s letters.
  for font in marlett tahoma tahomabd; do
    [ ! -f "/usr/share/wine/fonts/$font.ttf" ] || cp "/usr/share/wine/fonts/$font.ttf" "$WINEPREFIX/drive_c/windows/Fonts/"
  done
  # Three port entries and a server, so the list shows something.
  wine reg delete "HKLM\\SOFTWARE\\TORQ" /f >/dev/null 2>&1 || true
  root="HKLM\\SOFTWARE\\TORQ\\LOMBRA"
  wine reg add "$root\\Communication" /v HOST /d lombra.torq.example /f >/dev/null
  for v in PORTCount:3 PORT:9001 LOGHIDE:1; do
    wine reg add "$root\\Communication" /v "${v%%:*}" /t REG_DWORD /d "${v##*:}" /f >/dev/null
  done
  n=0
  for entry in COM1:9600:8:0:0:1 COM3:19200:8:1:0:1 COM4:115200:7:2:2:0; do
    n=$((n + 1))
    IFS=: read -r port speed data parity stop active <<<"$entry"
    wine reg add "$root\\LIST$n" /v COMPORT /d "$port" /f >/dev/null
    for v in SPEED:$speed DATABIT:$data PARITYBIT:$parity STOPBIT:$stop Active:$active; do
      wine reg add "$root\\LIST$n" /v "${v%%:*}" /t REG_DWORD /d "${v##*:}" /f >/dev/null
    done
  done

  wineserver -k 2>/dev/null || true
  wineserver -w
'

scripts/wine-env.sh run "$work/wine" -- bash -c '
  set -euo pipefail
  work=$1 out=$2
  shoot() {
    local name=$1
    shift
    local place=$work/place.txt x y w h
    rm -f "$place"
    (cd "$work/bin" && wine dialog_shot.exe "$@" --hold 3000 >"$place") &
    # dialog_shot names the dialog'"'"'s rectangle once it is painted and holds
    # it open meanwhile.
    for _ in $(seq 300); do [ -s "$place" ] && break; sleep 0.1; done
    read -r x y w h < <(tr -d "\r" <"$place")
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
    wait
    echo "dialog-screenshots: $out/$name.png (${w}x${h})"
  }
  # name, export, buttons pressed on the way (ids of property_ids.h)
  shoot com-port-chooser ViewKAVORINCOMPort
  shoot lombra-settings ViewPropertyDialog
  shoot lombra-port-entry ViewPropertyDialog 1002
  shoot lombra-log-viewer ViewPropertyDialog 1006
  shoot lombra-about ViewPropertyDialog 1007
  shoot dongle-init ViewDongleInitDialog
  shoot dongle-update ViewDongleUpdateDialog
  shoot dongle-time ViewDongleTimeSetDialog
  shoot kavsmart-settings ViewDongleServiceSetDialog
  shoot pos-download ViewPOSDownloadDialog
  shoot device-logon ViewDeviceLogonDialog
  # The installer'"'"'s options dialog as it opens.
  shoot installer-options --library Konfira.dll ZELK_InstallView
' shots "$(cd "$work" && pwd)" "$(mkdir -p "$out" && cd "$out" && pwd)"
