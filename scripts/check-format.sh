#!/usr/bin/env bash
# Fails, naming the files, when a source file is not as .clang-format lays it out.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'benchmarks/*.cpp' \
  'benchmarks/*.h' 'fuzz/*.cpp' 'fuzz/*.h')
clang-format --dry-run --Werror "${files[@]}"
echo "Formatting holds: ${#files[@]} files"
