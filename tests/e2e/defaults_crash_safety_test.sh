#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Kills a process at random moments while it writes preferences and checks
# that defaults.json is always complete, valid JSON.
set -euo pipefail
exec python3 "$(dirname "$0")/defaults_crash_safety.py" "${MIRELON_BUILD_DIR}/tests/defaults_writer" "${ROUNDS:-40}"
