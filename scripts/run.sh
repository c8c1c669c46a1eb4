#!/usr/bin/env bash
# Builds the release program and starts it. Its program folder (settings files, saved pictures, day
# folders) is build/release, the folder of the executable.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DNORVEL_TESTS=OFF -DNORVEL_BENCHMARKS=OFF
cmake --build build/release --target norvel -j"$(nproc)"
exec build/release/norvel "$@"
