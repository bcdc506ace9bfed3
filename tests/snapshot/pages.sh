#!/usr/bin/env bash
# Fingerprints of the pages the Qt canvas produces: every page of the printed PDFs and the
# rendered PNG sheets of the samples, as pixels (PDF files carry dates and font tags that
# change from run to run; the pixels do not).
#   pages.sh TUBRA-CLI
set -euo pipefail
cli=$1
here=$(cd "$(dirname "$0")" && pwd)
examples=$here/../../examples
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

pixels() {  # NAME PDF: one line per page
    local name=$1 pdf=$2
    pdftoppm -r 36 -gray "$pdf" "$work/page"
    local i=0
    for page in $(ls "$work"/page*.pgm | LC_ALL=C sort -V); do
        i=$((i + 1))
        echo "$name#$i $(md5sum < "$page" | cut -c1-16)"
        rm -f "$page"
    done
}

# In byte order, whatever the language's collation.
mapfile -t samples < <(printf '%s\n' "$examples"/*.hcd | LC_ALL=C sort)
for sample in "${samples[@]}"; do
    name=$(basename "$sample")
    "$cli" print "$sample" -o "$work/sheet.pdf" >/dev/null 2>&1
    pixels "print/$name" "$work/sheet.pdf"
    "$cli" render "$sample" "$work/sheet.png" >/dev/null
    echo "render-png/$name $(md5sum < "$work/sheet.png" | cut -c1-16)"
    "$cli" render "$sample" "$work/render.pdf" >/dev/null
    pixels "render-pdf/$name" "$work/render.pdf"
done
for report in report.hcd report-long.hcd; do
    for set in full online; do
        "$cli" print "$examples/$report" --report $set -o "$work/report.pdf" >/dev/null 2>&1
        pixels "print-$set/$report" "$work/report.pdf"
    done
done
