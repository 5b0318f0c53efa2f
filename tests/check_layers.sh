#!/bin/sh
# Fails when a file under src/ includes a header from a layer above its own.
#
# Usage: check_layers.sh SRC_DIR
#
# Layers, top first; a folder may include its own layer and those below it:
#   5  app
#   4  settings sdx order drc report
#   3  io console
#   2  platform
#   1  model
set -u
src=${1:?usage: check_layers.sh SRC_DIR}

# Sets $level to the layer of folder $1, 0 when it has none.
layer() {
  case $1 in
  app) level=5 ;;
  settings | sdx | order | drc | report) level=4 ;;
  io | console) level=3 ;;
  platform) level=2 ;;
  model) level=1 ;;
  *) level=0 ;;
  esac
}

problems=0
includes=$(cd "$src" && grep -r -H '^#include "' --include='*.h' --include='*.cc' . | sort)
while IFS= read -r line; do
  [ -n "$line" ] || continue
  file=${line%%:*}
  file=${file#./}
  header=${line#*#include \"}
  header=${header%%\"*}
  layer "${file%%/*}"
  from=$level
  layer "${header%%/*}"
  to=$level
  [ "$from" -ne 0 ] && [ "$to" -ne 0 ] && [ "$to" -le "$from" ] && continue
  if [ "$from" -eq 0 ]; then
    echo "layers: $file is in no layer"
  elif [ "$to" -eq 0 ]; then
    echo "layers: $file includes $header, which is in no layer"
  else
    echo "layers: $file includes $header from above its layer"
  fi
  problems=$((problems + 1))
done <<EOF_INCLUDES
$includes
EOF_INCLUDES
[ "$problems" -eq 0 ]
