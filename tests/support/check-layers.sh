#!/usr/bin/env bash
# Fails when a program object was compiled from a file of a layer above its own. Every
# library exports the whole source tree as its include folder, so the build alone lets such
# an include through. The layers, lowest first: link, widgets, tables, settings, shell, app
# (the libraries of those names and the program setup6400); the tests and benchmarks sit
# above them all, so a program object that reads a file of tests/ or bench/ fails as well.
#
# The check judges what the compiler read, not how the source spells it: Ninja keeps the
# compiler's dependency record of every object, each file the preprocessor opened, whatever
# the include line looked like (a macro, a comment, a continued line, a digraph, #import, an
# included .inc file, a header that includes for another). Each recorded file is taken at its
# real path, so neither a symlink nor an absolute path hides where it lies.
#
# A file's layer is the top folder it lies in, in the source tree or in the build tree (the
# build tree mirrors the source folders: a library's generated files, its mocs, lie in its
# own folder there). A file of either tree in no layer folder fails, as nothing places it;
# files outside both trees (Qt, the system) belong to no layer and pass.
# An object must have a current dependency record: build before the check.
# Usage: check-layers.sh SOURCE_DIR BUILD_DIR [NINJA]
set -uo pipefail
source_dir=$(realpath -e -- "$1") || exit 1
build_dir=$(realpath -e -- "$2") || exit 1
ninja=${3:-ninja}
layers=(link widgets tables settings shell app tests bench)
targets=(link widgets tables settings shell setup6400) # the program's targets, layer by layer
cd "$build_dir" || exit 1

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT

# The program's objects, as Ninja names them: <folder>/CMakeFiles/<target>.dir/<source>.o
if ! "$ninja" -t targets all >"$work/targets"; then
  echo "no Ninja build in $build_dir: the check reads Ninja's dependency records"
  exit 1
fi
target_pattern=$(IFS='|'; echo "${targets[*]}")
mapfile -t objects < <(sed -nE "s#^(([^:]*/)?CMakeFiles/($target_pattern)\.dir/[^:]*\.o): .*#\1#p" \
                         "$work/targets")
if [ ${#objects[@]} -eq 0 ]; then
  echo "no object of the program's targets (${targets[*]}) in $build_dir: the check cannot be trusted"
  exit 1
fi
"$ninja" -t deps "${objects[@]}" >"$work/records" || exit 1

# Every recorded path with its real path beside it (a relative one is relative to the build).
sed -n 's/^    //p' "$work/records" | sort -u >"$work/paths"
xargs -r -d '\n' realpath -m -- <"$work/paths" >"$work/real" || exit 1
paste "$work/paths" "$work/real" >"$work/resolved"

awk -F'\t' -v source="$source_dir" -v build="$build_dir" \
    -v layer_names="${layers[*]}" -v target_names="${targets[*]}" '
  BEGIN {
    n = split(layer_names, names, " ")
    for (i = 1; i <= n; ++i) rank[names[i]] = i
    rank["bench"] = rank["tests"] # the tests and the benchmarks: above every program layer
    split(target_names, t, " ")
    for (i in t) target_layer[t[i]] = names[i]
  }
  FNR == NR { real[$1] = $2; next }

  # The layer of a real path: its top folder in the build tree or the source tree; "" when it
  # lies outside both, "?" when it lies in one of them but in no layer folder.
  function layer_of(path,   rel) {
    if (index(path, build "/") == 1) rel = substr(path, length(build) + 2)
    else if (index(path, source "/") == 1) rel = substr(path, length(source) + 2)
    else return ""
    if (!sub(/\/.*/, "", rel) || !(rel in rank)) return "?"
    return rel
  }
  function shown(path) {
    return index(path, source "/") == 1 ? substr(path, length(source) + 2) : path
  }
  function refuse(text) {
    print text
    failed = 1
  }

  /^[^ ].*: #deps [0-9]+, deps mtime [0-9]+ \((VALID|STALE)\)$/ {
    object = substr($0, 1, index($0, ": #deps ") - 1)
    target = object
    sub(/^(.*\/)?CMakeFiles\//, "", target)
    sub(/\.dir\/.*/, "", target)
    own = target_layer[target]
    built[target] = 1
    compiled = ""
    if ($0 ~ /\(STALE\)$/) refuse(object ": its dependency record is out of date (build first)")
    next
  }
  /: deps not found$/ {
    refuse(substr($0, 1, length($0) - length(": deps not found")) ": no dependency record (build first)")
    next
  }
  /^    / {
    path = real[substr($0, 5)]
    if (compiled == "") compiled = shown(path) # the first recorded file: the source compiled
    layer = layer_of(path)
    if (layer == "?")
      refuse(own ": " compiled " read " shown(path) ", which lies in no layer folder")
    else if (layer != "" && rank[layer] > rank[own])
      refuse(own ": " compiled " read " shown(path) " from " layer ", a layer above")
  }
  END {
    for (i in t)
      if (!(t[i] in built)) refuse("no dependency record of target " t[i] ": the check cannot be trusted")
    if (failed)
      print "(layers, lowest first: " layer_names "; what each object read comes from its dependency record)"
    exit failed
  }' "$work/resolved" "$work/records"
