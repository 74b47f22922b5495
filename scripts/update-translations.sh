#!/usr/bin/env bash
# Brings the catalogues in translations/ up to date with the texts in the sources: lupdate
# adds new texts (unfinished until translated) and drops those no source has any more.
# German is the texts' own language, so its catalogue holds only the plural forms.
# With --check nothing is written: it fails when a catalogue is not up to date with the
# sources, or when an English text is unfinished. Exit 77 when lupdate is missing.
# Usage: scripts/update-translations.sh [--check]
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
if [ "${1:-}" = "--check" ]; then
  check=1
elif [ $# -gt 0 ]; then
  echo "usage: $0 [--check]" >&2
  exit 2
fi

lupdate=""
for candidate in /usr/lib/qt6/bin/lupdate "$(command -v lupdate6 || true)" \
  "$(command -v lupdate || true)"; do
  if [ -n "$candidate" ] && [ -x "$candidate" ]; then
    lupdate=$candidate
    break
  fi
done
if [ -z "$lupdate" ]; then
  echo "lupdate not found (Debian: qt6-l10n-tools)" >&2
  exit 77
fi

# Every folder with texts a user sees; app/ and conversion/ mark theirs with TQ_TRANSLATE_NOOP.
sources=(app conversion controls ui startup)
options=(-silent -locations none -no-obsolete -no-ui-lines -extensions cpp,h
  -tr-function-alias QT_TRANSLATE_NOOP+=TQ_TRANSLATE_NOOP)

update() {  # update FOLDER: writes the catalogues into FOLDER
  "$lupdate" "${options[@]}" "${sources[@]}" -source-language de -target-language en \
    -ts "$1/tonquell_en.ts"
  "$lupdate" "${options[@]}" "${sources[@]}" -source-language de -target-language de \
    -pluralonly -ts "$1/tonquell_de.ts"
}

if [ $check -eq 0 ]; then
  update translations
  unfinished=$(grep -c 'type="unfinished"' translations/tonquell_en.ts || true)
  echo "translations/tonquell_en.ts: $unfinished unfinished"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp translations/tonquell_en.ts translations/tonquell_de.ts "$work/"
update "$work"
status=0
for name in tonquell_en.ts tonquell_de.ts; do
  if ! diff -u "translations/$name" "$work/$name" >"$work/$name.diff"; then
    echo "translations/$name is not up to date with the sources" \
      "(run scripts/update-translations.sh):" >&2
    cat "$work/$name.diff" >&2
    status=1
  fi
done
# Every English text translated, every German plural given its forms.
for name in tonquell_en.ts tonquell_de.ts; do
  if grep -q 'type="unfinished"' "$work/$name"; then
    echo "translations/$name has unfinished translations:" >&2
    grep -B3 'type="unfinished"' "$work/$name" | grep '<source>' >&2 || true
    status=1
  fi
done
exit $status
