// SPDX-License-Identifier: GPL-3.0-or-later
// Mirelon's overlay windows (camera panels, ring light; X11 windows through
// Xwayland) take no pointer input and stay above every other window.
//
// Input: on mutter 43 the window actor of an X11 window is already not
// reactive; what the pointer picks is its child, the surface actor, which is
// added a few milliseconds after 'window-created'. So every child gets
// reactive = false, now and when added. (mutter itself takes the whole window
// as input region on each new frame of an Xwayland window: the X input shape
// alone is not enough for native windows beneath.)
// Stacking: the actors stay in global.window_group (mutter restacks them
// there), raised to its top after every restack: above full-screen windows,
// below the top bar, menus and the overview, which stay usable.
'use strict';
import Meta from 'gi://Meta';
import {childAddedSignal, repickPointer} from './compat.js';

// The fallback rule while Mirelon has not said which windows are its overlays.
export const isMirelonOverlayByRule = function isMirelonOverlayByRule(win) {
    if (win.get_client_type() !== Meta.WindowClientType.X11 || !win.is_override_redirect())
        return false;
    const cls = `${win.get_wm_class() ?? ''} ${win.get_wm_class_instance() ?? ''}`;
    return /mirelon/i.test(cls) && win.get_window_type() === Meta.WindowType.OVERRIDE_OTHER;
};

// The X window id of an X11 window (mutter's description is "0x400006"), else null.
export const xWindowId = function xWindowId(win) {
    if (win.get_client_type() !== Meta.WindowClientType.X11)
        return null;
    const id = parseInt(win.get_description(), 16);
    return Number.isNaN(id) ? null : id;
};

export const ClickThrough = class ClickThrough {
    constructor() {
        this._lists = new Map();      // client -> Set of X ids it gave
        this._moveMode = new Set();   // clients with move mode on
        this._tracked = new Map();    // MetaWindow -> {actor, childId, destroyId}
        this._signals = [];
    }

    enable() {
        const display = global.display;
        this._signals = [
            display.connect('window-created', (_d, win) => this._consider(win)),
            display.connect('restacked', () => this._raise()),
        ];
        this._refresh();
    }

    disable() {
        this._signals.forEach(id => global.display.disconnect(id));
        this._signals = [];
        for (const win of [...this._tracked.keys()])
            this._untrack(win);
        this._lists.clear();
        this._moveMode.clear();
    }

    // The client's overlay windows (X ids); an empty list withdraws it.
    setOverlayWindows(client, ids) {
        if (ids.length > 0)
            this._lists.set(client, new Set(ids.map(Number)));
        else
            this._lists.delete(client);
        this._refresh();
    }

    setMoveMode(client, on) {
        if (on)
            this._moveMode.add(client);
        else
            this._moveMode.delete(client);
        for (const entry of this._tracked.values())
            this._apply(entry);
        this._raise();
    }

    forgetClient(client) {
        this._moveMode.delete(client);
        if (this._lists.delete(client))
            this._refresh();
        else
            this.setMoveMode(client, false);
    }

    // X ids of the windows treated as overlays now.
    overlayWindows() {
        return [...this._tracked.keys()].map(xWindowId).filter(id => id !== null);
    }

    get moveMode() {
        return this._moveMode.size > 0;
    }

    _isOverlay(win) {
        if (this._lists.size === 0)
            return isMirelonOverlayByRule(win);
        const id = xWindowId(win);
        return id !== null && [...this._lists.values()].some(list => list.has(id));
    }

    _refresh() {
        for (const actor of global.get_window_actors())
            this._consider(actor.meta_window);
        for (const win of [...this._tracked.keys()]) {
            if (!this._isOverlay(win))
                this._untrack(win);
        }
        this._raise();
    }

    _consider(win) {
        if (!win || this._tracked.has(win) || !this._isOverlay(win))
            return;
        const actor = win.get_compositor_private();
        if (!actor)
            return;
        const entry = {actor, childId: 0, destroyId: 0};
        // the surface actor arrives after 'window-created', and again when
        // Xwayland gives the window a new surface
        entry.childId = actor.connect(childAddedSignal(actor), () => this._apply(entry));
        // gone with its window (its signals go with it)
        entry.destroyId = actor.connect('destroy', () => this._tracked.delete(win));
        this._tracked.set(win, entry);
        this._apply(entry);
        this._raise();
    }

    _apply(entry) {
        const reactive = this.moveMode;
        let changed = false;
        entry.actor.get_children().forEach(child => {
            changed ||= child.reactive !== reactive;
            child.reactive = reactive;
        });
        if (changed)
            repickPointer();
    }

    _untrack(win) {
        const entry = this._tracked.get(win);
        if (!entry)
            return;
        this._tracked.delete(win);
        entry.actor.disconnect(entry.childId);
        entry.actor.disconnect(entry.destroyId);
        // surface actors are reactive by default (window actors of X11 windows are not)
        entry.actor.get_children().forEach(child => {
            child.reactive = true;
        });
        repickPointer();
    }

    // Overlays to the top of the window group, in their own order.
    _raise() {
        for (const {actor} of this._tracked.values()) {
            if (actor.get_parent() === global.window_group)
                global.window_group.set_child_above_sibling(actor, null);
        }
    }
};
