#!/usr/bin/env bash
# Runs the whole test suite: every stage in scripts/test.d, in order. Installs what the stages
# need when it is missing (as root; otherwise says what to install). Any failing stage fails
# the run. DORVANE_STAGES="native wine" runs only the stages whose names contain those words.
set -euo pipefail
cd "$(dirname "$0")/.."
export DORVANE_JOBS="${DORVANE_JOBS:-$(nproc)}"
failed=()
passed=0
for stage in scripts/test.d/*.sh; do
  name=$(basename "$stage" .sh)
  if [ -n "${DORVANE_STAGES:-}" ]; then
    wanted=0
    for word in $DORVANE_STAGES; do [[ "$name" == *"$word"* ]] && wanted=1; done
    [ "$wanted" -eq 1 ] || continue
  fi
  echo "=== stage $name"
  start=$(date +%s)
  if bash "$stage"; then
    echo "=== stage $name passed ($(( $(date +%s) - start )) s)"
    passed=$((passed + 1))
  else
    echo "=== stage $name FAILED ($(( $(date +%s) - start )) s)"
    failed+=("$name")
  fi
done
if [ ${#failed[@]} -ne 0 ]; then
  echo "failed stages: ${failed[*]}"
fi
echo "stages: $passed passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
