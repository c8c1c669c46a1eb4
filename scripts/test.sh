#!/usr/bin/env bash
# Builds everything in a debug build with AddressSanitizer and UBSan, warnings as errors, and runs every test
# headless.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DNORVEL_SANITIZE=ON -DNORVEL_WERROR=ON
cmake --build build/test -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build/test --output-on-failure --timeout 300 -j"$(nproc)"
