#!/usr/bin/env bash
# Sets up this machine and runs every test tier:
#   1. native: the wizard against the headless backend (GoogleTest, CTest);
#   2. Wine:   the real x86_64 build driven under wine64 on a virtual display;
#   3. i686:   the shipped 32-bit exe checked from its PE, and one 32-bit
#              platform test run under emulated 32-bit Wine.
# Each tier prints its own closing line; the script fails if any tier does.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh || exit 1
bash scripts/build.sh native x86_64 i686 || exit 1

failed=()
echo "== native tests"
(cd build/native && ctest --output-on-failure) || failed+=(native)
echo "== Wine tests (x86_64)"
bash scripts/test-wine.sh || failed+=(wine)
echo "== i686 tests"
bash scripts/test-i686.sh || failed+=(i686)

if [ ${#failed[@]} -gt 0 ]; then
    echo "failed tiers: ${failed[*]}"
    echo "tiers: $((3 - ${#failed[@]})) passed, ${#failed[@]} failed"
    exit 1
fi
echo "tiers: 3 passed, 0 failed"
