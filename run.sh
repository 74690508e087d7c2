#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Mirelon (release, incremental) and starts it.
# Without a display it runs the headless showcase instead.
set -euo pipefail
cd "$(dirname "$0")"
tools/deps.sh
tools/build.sh build/release -DCMAKE_BUILD_TYPE=Release -DMIRELON_BUILD_TESTS=OFF
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec tools/showcase.sh build/release/src/mirelon "$@"
fi
exec build/release/src/mirelon "$@"
