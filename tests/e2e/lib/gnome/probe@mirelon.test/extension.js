// SPDX-License-Identifier: GPL-3.0-or-later
// Test harness only (tests/e2e/lib/gnome_desktop.sh): unsafe mode lets the
// tests evaluate JavaScript in the shell and take screenshots. Never shipped.
'use strict';

class Probe {
    enable() {
        global.context.unsafe_mode = true;
        log('mirelon-test-probe: unsafe mode on');
    }

    disable() {
        global.context.unsafe_mode = false;
    }
}

function init() {
    return new Probe();
}
