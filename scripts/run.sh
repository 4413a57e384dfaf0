#!/usr/bin/env bash
# Set-up, an optimised build of the corvane command, then runs it with the
# arguments given ("demo" when none): ./scripts/run.sh process in.wav out.wav
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)" --target corvane >/dev/null
if [ $# -eq 0 ]; then set -- demo build/demo; fi
exec ./build/release/tools/corvane/corvane "$@"
