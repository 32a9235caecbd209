#!/usr/bin/env bash
# Korean dialog fonts for a Wine prefix: the Windows fonts the dialogs name
# ("굴림", "굴림체", "돋움", "바탕" and their Latin names) are replaced by the
# Nanum fonts of Debian's fonts-nanum, so that Hangul shows as Hangul and
# fits the dialog units the dialogs were laid out in.
#
#   scripts/wine-korean-fonts.sh WINEPREFIX
#
# Run it once a prefix is made; it is idempotent.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 WINEPREFIX" >&2; exit 2; }
export WINEPREFIX=$1
export LC_ALL=ko_KR.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}

# fc-list asked for the family itself: piped into `grep -q`, it dies of
# SIGPIPE once grep has seen enough, and pipefail then calls the fonts missing.
if [ -z "$(fc-list NanumGothic)" ]; then
  echo "wine-korean-fonts: the Nanum fonts are missing (apt-get install fonts-nanum)" >&2
  exit 1
fi

key='HKCU\Software\Wine\Fonts\Replacements'
replace() { wine reg add "$key" /v "$1" /d "$2" /f >/dev/null 2>&1; }
for name in 굴림 Gulim 돋움 Dotum; do replace "$name" NanumGothic; done
for name in 굴림체 GulimChe 돋움체 DotumChe; do replace "$name" NanumGothicCoding; done
for name in 바탕 Batang 바탕체 BatangChe 궁서 Gungsuh; do replace "$name" NanumMyeongjo; done
# Captions, message boxes and the other system texts fall back from the
# interface font to one that has Hangul.
link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "MS Sans Serif"; do
  wine reg add "$link" /v "$face" /t REG_MULTI_SZ /d 'NanumGothic.ttf,NanumGothic' /f >/dev/null 2>&1
done
echo "wine-korean-fonts: Nanum fonts stand in for the Korean dialog fonts in $WINEPREFIX"
