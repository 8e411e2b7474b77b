#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing (with the test tools), builds and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
scripts/build.sh -DSKYVANE_BUILD_TESTS=ON
ctest --test-dir build --output-on-failure -j"$(nproc)" --timeout 300
