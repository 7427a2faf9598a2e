#!/usr/bin/env bash
# The same batch of corpus documents converted with the native engine and with
# the office engine, one after the other; prints each wall time and the ratio.
#
#   bench/native_vs_office.sh [QUILLON_BINARY] [COUNT|FOLDER]
#
# COUNT .docx files (default 40) are taken from ../shared/corpus/docx in name
# order, or every .docx of FOLDER, and copied into two scratch folders, one
# per engine.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
quillon=${1:-$here/../build/src/cli/quillon}
count=${2:-40}
corpus=$here/../../shared/corpus/docx
work=$(mktemp -d /tmp/quillon_engines.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/native" "$work/office"
if [ -d "$count" ]; then
  corpus=$count
  count=$(find "$corpus" -name '*.docx' | wc -l)
fi
find "$corpus" -name '*.docx' | sort | head -n "$count" | while read -r f; do
  name="$(basename "$(dirname "$f")")_$(basename "$f")"
  cp "$f" "$work/native/$name"
  cp "$f" "$work/office/$name"
done
run() {  # engine folder -> seconds
  local start end
  start=$(date +%s.%N)
  "$quillon" convert --engine "$1" --workspace "$work/ws_$1" "$2" > "$work/$1.txt" 2>/dev/null || true
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
t_native=$(run native "$work/native")
t_office=$(run office "$work/office")
ok_native=$(grep -c $'\tOK$' "$work/native.txt" || true)
ok_office=$(grep -c $'\tOK$' "$work/office.txt" || true)
printf 'files: %d\n' "$count"
printf 'native: %.2f s (%d OK)\n' "$t_native" "$ok_native"
printf 'office: %.2f s (%d OK)\n' "$t_office" "$ok_office"
printf 'office/native: %.1fx\n' "$(echo "$t_office / $t_native" | bc -l)"
