#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the built program with simulated cameras and a private config folder
# and checks what it writes to defaults.json as cameras come, change and go.
set -euo pipefail
exec python3 "$(dirname "$0")/defaults_file.py" "${MIRELON_BIN}"
