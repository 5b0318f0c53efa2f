#!/bin/sh
# Writes the page: the HTML template with the program's JavaScript, its
# WebAssembly as base64 and the page's own script inlined where the template
# says {{{ SCRIPT }}}, so that the one file needs nothing else.
# Usage: make_page.sh TEMPLATE PROGRAM_JS PROGRAM_WASM PAGE_JS OUTPUT
set -eu
template=$1 program=$2 wasm=$3 page=$4 output=$5
for f in "$program" "$page"; do
  if grep -qi '</script' "$f"; then
    echo "make_page.sh: $f holds </script and cannot be inlined" >&2
    exit 1
  fi
done
{
  sed '/{{{ SCRIPT }}}/,$d' "$template"
  printf '<script>\nconst tunewerkWasmBase64 = "'
  base64 -w 0 "$wasm"
  printf '";\n'
  cat "$program" "$page"
  printf '</script>\n'
  sed '1,/{{{ SCRIPT }}}/d' "$template"
} >"$output.part"
mv "$output.part" "$output"
