#!/usr/bin/env bash
# The Python module (python/dorvane) against the freshly built library: pytest, then the example.
# Uses the system's python3, where python3-numpy and python3-pytest are installed, whatever
# other python3 comes first on PATH.
set -euo pipefail
. scripts/packages.sh
ensure_packages cmake g++ make python3 python3-numpy python3-pytest
python=${DORVANE_PYTHON:-/usr/bin/python3}
cmake -S . -B build/clients -DCMAKE_BUILD_TYPE=Release -DDORVANE_BUILD_TESTS=OFF -DDORVANE_BUILD_EXAMPLES=ON
cmake --build build/clients -j"$DORVANE_JOBS" --target dorvane
library=$(ls "$PWD"/build/clients/libdorvane.so)
export DORVANE_LIBRARY="$library"
# pytest exits 5 when it collects no test; any exit but 0 fails the stage.
"$python" -m pytest -p no:cacheprovider -q python/tests
"$python" python/examples/example.py > /dev/null
echo "python: tests and example ran against $library"
