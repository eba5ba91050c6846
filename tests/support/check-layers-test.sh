#!/usr/bin/env bash
# check-layers.sh on a small tree of its own: each include below, written into a header of
# tables/, must fail it or pass it as its row says.
# Usage: check-layers-test.sh CHECK_SCRIPT
set -uo pipefail
check=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
for layer in link widgets tables settings shell app; do
  mkdir -p "$tree/$layer"
  echo '#pragma once' >"$tree/$layer/Own.h"
done
mkdir -p "$tree/tables/prt"
status=0
expect() { # STATUS INCLUDE-LINE
  printf '#pragma once\n%s\n' "$2" >"$tree/tables/prt/PRTTable.h"
  "$check" "$tree" >/dev/null
  local got=$?
  if [ "$got" -ne "$1" ]; then
    echo "check-layers.sh ended with $got, not $1, for: $2"
    status=1
  fi
}
expect 1 '#include "settings/FormDate.h"'
expect 1 '#include "link/../settings/FormDate.h"'
expect 1 '#include "tables/../settings/FormDate.h"'
expect 1 '#include "./settings/FormDate.h"'
expect 1 '#include "../../settings/FormDate.h"'
expect 1 '#include <link/./../settings/FormDate.h>'
expect 1 '#  include /* settings */ "link/../settings/FormDate.h"'
expect 1 '#include FORM_DATE_HEADER'
expect 0 '#include "link/Own.h"'
expect 0 '#include <QString>'
exit $status
