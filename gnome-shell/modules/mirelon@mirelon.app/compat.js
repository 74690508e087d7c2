// SPDX-License-Identifier: GPL-3.0-or-later
// The few things that differ between the GNOME Shell versions this code runs on.
'use strict';
import Clutter from 'gi://Clutter';
import GObject from 'gi://GObject';
import Meta from 'gi://Meta';

// A child was added to a Clutter actor: ClutterContainer's 'actor-added' up to
// mutter 45, ClutterActor's 'child-added' from mutter 46 on.
export const childAddedSignal = function childAddedSignal(actor) {
    return GObject.signal_lookup('child-added', actor.constructor.$gtype) ? 'child-added' : 'actor-added';
};

// The cursor tracker: the backend's from mutter 44 on, the display's before.
export const cursorTracker = function cursorTracker() {
    if (global.backend && typeof global.backend.get_cursor_tracker === 'function')
        return global.backend.get_cursor_tracker();
    return Meta.CursorTracker.get_for_display(global.display);
};

// Clutter picks what is under the pointer when the pointer moves: after a
// change of what takes input, pick again so that the next click goes to the
// right place even if the pointer rests.
export const repickPointer = function repickPointer() {
    const seat = Clutter.get_default_backend().get_default_seat();
    if (typeof global.stage.repick_device === 'function')
        global.stage.repick_device(seat.get_pointer());
};
