#!/usr/bin/env bash
# Fails when a program source includes a header from a layer above its own. Every library
# exports the whole source tree as its include folder, so the build alone lets such an
# include through. The layers, lowest first: link, widgets, tables, settings, shell, app;
# the tests and benchmarks sit above them all and may include anything, so a program file
# that includes from tests/ or bench/ fails as well. Includes are written from the top of
# the tree ("tables/grid/FlexGrid.h"), so the path written is the path used: one with a "."
# or ".." anywhere in it ("link/../settings/...", "./settings/...") could reach any folder
# and fails too, as does one that names no path (a macro).
# Usage: check-layers.sh SOURCE_DIR
set -uo pipefail
cd "$1" || exit 1
layers=(link widgets tables settings shell app tests bench)
program_layers=6
status=0
for ((own = 0; own < program_layers; ++own)); do
  layer=${layers[own]}
  if ! compgen -G "$layer/*" >/dev/null; then
    echo "no layer folder $layer in $PWD: the check cannot be trusted"
    status=1
    continue
  fi
  above=$(IFS='|'; echo "${layers[*]:own+1}")
  # Each include line ("file:line:text") is judged by the path it names: the first one in
  # quotes or angle brackets after "include", whatever stands between (a comment).
  found=$(grep -rnE '^[[:space:]]*#[[:space:]]*include' --include='*.h' --include='*.cpp' "$layer" |
            awk -v above="^($above)/" '{
              text = $0
              sub(/^[^:]*:[0-9]+:/, "", text)
              path = ""
              if (match(text, /include[^"<]*["<][^">]*[">]/)) {
                path = substr(text, RSTART, RLENGTH)
                sub(/^include[^"<]*["<]/, "", path)
                sub(/[">]$/, "", path)
              }
              if (path == "" || path ~ above || path ~ /(^|\/)\.\.?(\/|$)/)
                print
            }')
  if [ -n "$found" ]; then
    echo "$layer includes from a layer above its own, or by a path that could (order: ${layers[*]}):"
    echo "$found"
    status=1
  fi
done
exit $status
