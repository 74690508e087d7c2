#!/usr/bin/env bash
# Headless showcase: runs Mirelon on a virtual X display with two simulated
# cameras for a while, logs what it sees and keeps a screenshot.
# Usage: tools/showcase.sh path/to/mirelon [seconds]
set -euo pipefail
bin="$1"; seconds="${2:-20}"
work=$(mktemp -d /tmp/mirelon-showcase.XXXXXX)
mkdir -p "$work/cams" "$work/config"
printf '{"name": "Desk Camera", "pattern": "smpte", "width": 1280, "height": 720, "fps": 30}\n' >"$work/cams/desk.json"
printf '{"name": "Overhead Camera", "pattern": "ball", "width": 1280, "height": 720, "fps": 30}\n' >"$work/cams/overhead.json"
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $app 2>/dev/null || true; kill $xvfb 2>/dev/null || true' EXIT
sleep 1
export DISPLAY="$display" XDG_CONFIG_HOME="$work/config" MIRELON_SIMULATED_CAMERAS="$work/cams"
"$bin" &
app=$!
sleep "$seconds"
import -display "$display" -window root "$work/screen.png" 2>/dev/null || true
echo "Showcase finished. Preferences: $work/config/mirelon/defaults.json; screenshot: $work/screen.png"
