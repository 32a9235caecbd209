#!/usr/bin/env bash
# The installer zip holds the programs, this project's installed files and
# the delivered ini files, and none of the outside components (their
# stand-ins live in the test set only).
#   scripts/check-setup-set.sh <ZELK4Web.zip>
set -euo pipefail
zip=$1
listing=$(python3 -c 'import sys, zipfile; print("\n".join(n.split("/")[-1] for n in zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip")
bad=0
for name in setup.exe Konfira.dll Uninstall.exe KAVORIN.exe KAVORIN_Ctl.dll KAVORIN_Web.ocx ZelkPayWeb.ocx \
            ZelkSignWeb.ocx Property.dll KAVORIN.ini KavSignPad.ini zelkpay.ini OUTSIDE-COMPONENTS.txt; do
  if ! grep -qx "$name" <<<"$listing"; then echo "check-setup-set: $name is missing" >&2; bad=1; fi
done
for name in zelkpay43.dll zelkpay.dat KavSignPad.exe KavSignPad_Ctl.dll KavSignPad_View.dll SquozenUtil.dll \
            SquozenWeb.ocx; do
  if grep -qix "$name" <<<"$listing"; then echo "check-setup-set: outside component $name is in the set" >&2; bad=1; fi
done
[ "$bad" -eq 0 ] && echo "check-setup-set: $(wc -l <<<"$listing") entries, no outside component"
exit $bad
