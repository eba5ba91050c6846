#!/usr/bin/env bash
# Fails when a test double is compiled into the program or one of its libraries.
# Usage: check-no-test-doubles.sh FILE...   (executables or static libraries)
# A real backend must show up in the program, so an unreadable symbol table cannot pass.
set -uo pipefail
doubles='VirtualClock|MemorySerialPort|MemorySettingsStore|ScriptedUserInteraction|MemoryFtdiApi|MemoryGpibBus|ScriptedPeer|InMemoryPeer|MeterPeer|SimMeter'
status=0
program=$1
for file in "$@"; do
  symbols=$(nm -C "$file" 2>/dev/null) || { echo "cannot read the symbols of $file"; status=1; continue; }
  found=$(grep -Eo "\b($doubles)\b" <<<"$symbols" | sort -u)
  if [ -n "$found" ]; then
    echo "$file carries test doubles:" $found
    status=1
  fi
  if [ "$file" = "$program" ] && ! grep -q 'QtSerialPortControl' <<<"$symbols"; then
    echo "$file: the real serial backend is missing from its symbols; the check cannot be trusted"
    status=1
  fi
done
exit $status
