#!/usr/bin/env bash
# check-layers.sh on a small project of its own, built with Ninja and the project's compiler:
# the same layer folders and targets, each library exporting the whole tree as its include
# folder. Each case below writes one source, builds, and must fail the check or pass it as
# its row says.
# Usage: check-layers-test.sh CHECK_SCRIPT CMAKE CXX_COMPILER NINJA
set -uo pipefail
check=$1 cmake=$2 cxx=$3 ninja=$4
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
tree=$(realpath "$tree")
build=$tree/build

for layer in link widgets tables settings shell app tests bench resources; do
  mkdir -p "$tree/$layer"
  printf '#pragma once\ninline int %s_own() { return 0; }\n' "$layer" >"$tree/$layer/Own.h"
done
for layer in link widgets tables settings shell; do
  printf '#include "%s/Own.h"\nint %s_built() { return %s_own(); }\n' "$layer" "$layer" "$layer" \
    >"$tree/$layer/Own.cpp"
done
echo '#pragma once' >"$tree/settings/FormDate.h"
printf '#pragma once\n#include "settings/FormDate.h"\n' >"$tree/link/Forwards.h"
echo '#include "settings/FormDate.h"' >"$tree/tables/Part.inc"
ln -s ../settings "$tree/tables/lower"
cat >"$tree/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.25)
project(LayerCheck LANGUAGES CXX)
# Generated headers in the build tree, in the folder of the layer that makes them.
file(WRITE ${PROJECT_BINARY_DIR}/tables/TablesGenerated.h "#pragma once\n")
file(WRITE ${PROJECT_BINARY_DIR}/settings/SettingsGenerated.h "#pragma once\n")
foreach(layer link widgets tables settings shell)
  add_library(${layer} STATIC ${layer}/Own.cpp)
  target_include_directories(${layer} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
endforeach()
target_sources(tables PRIVATE tables/Case.cpp)
add_executable(setup6400 app/main.cpp)
target_link_libraries(setup6400 PRIVATE shell)
EOF
clean_case='#include "link/Own.h"
#include "widgets/Own.h"
#include "tables/Own.h"
#include "tables/TablesGenerated.h"
#include <string>
int tables_case() { return static_cast<int>(std::string("x").size()) + link_own(); }'
clean_main='#include "shell/Own.h"
#include "link/Own.h"
int main() { return shell_own(); }'
printf '%s\n' "$clean_case" >"$tree/tables/Case.cpp"
printf '%s\n' "$clean_main" >"$tree/app/main.cpp"

status=0
if ! "$cmake" -S "$tree" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" \
       -DCMAKE_MAKE_PROGRAM="$ninja" >"$tree/configure.log" 2>&1; then
  cat "$tree/configure.log"
  exit 1
fi
if "$check" "$tree" "$build" "$ninja" >/dev/null; then
  echo "check-layers.sh passed a build that has not run: no dependency record to judge"
  status=1
fi

expect() { # STATUS FILE TEXT: FILE (under the tree) holds TEXT, the build runs, the check ends with STATUS
  local file=$tree/$2 saved
  saved=$(cat "$file")
  printf '%s\n' "$3" >"$file"
  if ! "$ninja" -C "$build" >"$tree/build.log" 2>&1; then
    echo "the case did not build: $3"
    cat "$tree/build.log"
    status=1
  else
    "$check" "$tree" "$build" "$ninja" >"$tree/check.log"
    local got=$?
    if [ "$got" -ne "$1" ]; then
      echo "check-layers.sh ended with $got, not $1, for $2:"
      printf '%s\n' "$3"
      cat "$tree/check.log"
      status=1
    fi
  fi
  printf '%s\n' "$saved" >"$file"
}

expect 0 tables/Case.cpp "$clean_case"
expect 1 tables/Case.cpp '#include "settings/FormDate.h"'
expect 1 tables/Case.cpp '#/**/include "settings/FormDate.h"'
expect 1 tables/Case.cpp '/* a comment first */ #include "settings/FormDate.h"'
expect 1 tables/Case.cpp '#include \
"settings/FormDate.h"'
expect 1 tables/Case.cpp '#inc\
lude "settings/FormDate.h"'
expect 1 tables/Case.cpp '%:include "settings/FormDate.h"'
expect 1 tables/Case.cpp '#define HEADER "settings/FormDate.h"
#include HEADER // "link/Own.h"'
expect 1 tables/Case.cpp "#include \"$tree/settings/FormDate.h\""
expect 1 tables/Case.cpp '#include "tables/lower/FormDate.h"'
expect 1 tables/Case.cpp '#import "settings/FormDate.h"'
expect 1 tables/Case.cpp '#include "tables/Part.inc"'
expect 1 tables/Case.cpp '#include "link/Forwards.h"'
expect 1 tables/Case.cpp '#include "settings/SettingsGenerated.h"'
expect 1 tables/Case.cpp '#include "resources/Own.h"'
expect 0 app/main.cpp "$clean_main"
expect 1 app/main.cpp '#include "tests/Own.h"
int main() { return 0; }'
expect 1 app/main.cpp '#include "bench/Own.h"
int main() { return 0; }'
expect 0 tables/Case.cpp "$clean_case"
exit $status
