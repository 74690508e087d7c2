#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The soak's judgement of memory and descriptor growth on made-up sample
# series: noise passes, real leaks fail (no program run; a few seconds).
set -euo pipefail
exec python3 "$(dirname "$0")/soak_analysis_test.py"
