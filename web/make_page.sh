#!/bin/sh
# Writes the page: the HTML template with the program's JavaScript, its
# WebAssembly and the example drive's files (gzip, base64) and the
# page's own script inlined where the template says {{{ SCRIPT }}}, so that
# the one file needs nothing else. The content policy lets only that script
# and the template's one style sheet apply: {{{ SCRIPT_HASH }}} and
# {{{ STYLE_HASH }}} become their SHA-256.
# Usage: make_page.sh TEMPLATE PROGRAM_JS PROGRAM_WASM PAGE_JS EXAMPLE_DIR OUTPUT
set -eu
template=$1 program=$2 wasm=$3 page=$4 example=$5 output=$6
for f in "$program" "$page"; do
  if grep -qi '</script' "$f"; then
    echo "make_page.sh: $f holds </script and cannot be inlined" >&2
    exit 1
  fi
done
script=$output.script
{
  printf '\nconst tunewerkWasmGzip = "'
  gzip -9 -n -c "$wasm" | base64 -w 0
  printf '";\nconst tunewerkExample = {\n'
  for name in user.sdx vaz3er.ini 3ci.drc; do
    printf '  "%s": "' "$name"
    gzip -9 -n -c "$example/$name" | base64 -w 0
    printf '",\n'
  done
  printf '};\n'
  cat "$program" "$page"
} >"$script"
sha256() {
  python3 -c 'import base64, hashlib, sys; print(base64.b64encode(hashlib.sha256(sys.stdin.buffer.read()).digest()).decode())'
}
script_hash=$(sha256 <"$script")
# What lies between <style> and </style>, to the byte.
style_hash=$(python3 -c 'import re, sys; sys.stdout.write(re.search(r"<style>(.*?)</style>", open(sys.argv[1], encoding="utf-8").read(), re.S).group(1))' "$template" | sha256)
{
  sed -e '/{{{ SCRIPT }}}/,$d' -e "s|{{{ SCRIPT_HASH }}}|'sha256-$script_hash'|" \
      -e "s|{{{ STYLE_HASH }}}|'sha256-$style_hash'|" "$template"
  printf '<script>'
  cat "$script"
  printf '</script>\n'
  sed '1,/{{{ SCRIPT }}}/d' "$template"
} >"$output.part"
rm "$script"
mv "$output.part" "$output"
