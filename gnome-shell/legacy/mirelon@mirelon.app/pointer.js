// SPDX-License-Identifier: GPL-3.0-or-later
// The pointer position for Mirelon (Xwayland programs do not see the pointer
// over native windows): reported on every move, at most once each 16 ms,
// only while someone watches, never while the pointer rests.
'use strict';
/* modules:
import GLib from 'gi://GLib';
import {cursorTracker} from './compat.js';
*/
const {GLib} = imports.gi; // legacy
const Me = imports.misc.extensionUtils.getCurrentExtension(); // legacy
const {cursorTracker} = Me.imports.compat; // legacy

const MIN_INTERVAL_US = 16000;

var Pointer = class Pointer {
    // emit(client, x, y): the pointer moved, for a watching client
    constructor(emit) {
        this._emit = emit;
        this._watchers = new Set();
        this._tracker = null;
        this._movedId = 0;
        this._timeoutId = 0;
        this._last = null;        // [x, y] last reported
        this._lastTime = 0;       // monotonic time of that report
    }

    enable() {
    }

    disable() {
        this._watchers.clear();
        this._stop();
    }

    position() {
        const [x, y] = global.get_pointer();
        return [x, y];
    }

    watch(client, on) {
        if (on)
            this._watchers.add(client);
        else
            this._watchers.delete(client);
        if (this._watchers.size > 0 && !this._tracker) {
            this._tracker = cursorTracker();
            this._movedId = this._tracker.connect('position-invalidated', () => this._moved());
            this._last = this.position();
        } else if (this._watchers.size === 0) {
            this._stop();
        }
    }

    forgetClient(client) {
        this.watch(client, false);
    }

    _stop() {
        if (this._tracker)
            this._tracker.disconnect(this._movedId);
        this._tracker = null;
        if (this._timeoutId)
            GLib.source_remove(this._timeoutId);
        this._timeoutId = 0;
    }

    _moved() {
        if (this._timeoutId)
            return;   // a report is due anyway, with the newest position
        const wait = MIN_INTERVAL_US - (GLib.get_monotonic_time() - this._lastTime);
        if (wait <= 0) {
            this._report();
            return;
        }
        this._timeoutId = GLib.timeout_add(GLib.PRIORITY_DEFAULT, Math.ceil(wait / 1000), () => {
            this._timeoutId = 0;
            this._report();
            return GLib.SOURCE_REMOVE;
        });
    }

    _report() {
        const [x, y] = this.position();
        if (this._last && this._last[0] === x && this._last[1] === y)
            return;
        this._last = [x, y];
        this._lastTime = GLib.get_monotonic_time();
        for (const client of this._watchers)
            this._emit(client, x, y);
    }
};
