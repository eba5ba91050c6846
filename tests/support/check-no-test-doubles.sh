#!/usr/bin/env bash
# Fails when a test double or a piece of the simulator is compiled into the program or one
# of its libraries. The doubles are every class the test-support folder defines (found in
# its headers, so a new double is covered without editing this file); the simulator is
# everything in its namespace metersim.
# Usage: check-no-test-doubles.sh SUPPORT_DIR PROGRAM [LIBRARY...]
# A real backend must show up in the program, so an unreadable symbol table cannot pass.
set -uo pipefail
support=$1
shift
program=$1
names=$(grep -rhE '^(class|struct) [A-Za-z_][A-Za-z0-9_]*[^;]*$' --include='*.h' "$support" \
        | awk '{print $2}' | sort -u | paste -sd'|')
if [ -z "$names" ]; then
  echo "no test doubles found in $support"
  exit 1
fi
pattern="\b($names)\b|\bmetersim::[A-Za-z_]+"
status=0
for file in "$@"; do
  symbols=$(nm -C "$file" 2>/dev/null) || { echo "cannot read the symbols of $file"; status=1; continue; }
  found=$(grep -Eo "$pattern" <<<"$symbols" | sort -u)
  if [ -n "$found" ]; then
    echo "$file carries test code:" $found
    status=1
  fi
  if [ "$file" = "$program" ] && ! grep -q 'QtSerialPortControl' <<<"$symbols"; then
    echo "$file: the real serial backend is missing from its symbols; the check cannot be trusted"
    status=1
  fi
done
exit $status
