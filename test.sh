#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Mirelon with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
tools/deps.sh
tools/build.sh build/asan -DCMAKE_BUILD_TYPE=Debug -DMIRELON_SANITIZE=ON
# Packagers build with CMake's default generator (Makefiles): it must work too.
tools/build-default-generator.sh build/release-make
# A private runtime folder: tests never meet a running Mirelon of the user.
export XDG_RUNTIME_DIR="$(mktemp -d /tmp/mirelon-test-runtime.XXXXXX)"
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
cd build/asan
ctest --output-on-failure -j2 --timeout 600 "$@"
