// SPDX-License-Identifier: GPL-3.0-or-later
// Global shortcuts for Mirelon: grabbed in mutter, as the shell's own
// org.gnome.Shell.GrabAccelerator does (which only the shell's settings
// daemons may call), so that they fire whatever window has focus.
'use strict';
/* modules:
import Clutter from 'gi://Clutter';
import Meta from 'gi://Meta';
import Shell from 'gi://Shell';
import * as Main from 'resource:///org/gnome/shell/ui/main.js';
*/
const {Clutter, Meta, Shell} = imports.gi; // legacy
const Main = imports.ui.main; // legacy

const MODIFIERS = new Set(['control', 'ctrl', 'primary', 'shift', 'shft', 'alt', 'mod1', 'mod2', 'mod3',
    'mod4', 'mod5', 'super', 'hyper', 'meta']);

// Where the shortcuts work: everywhere but the lock and login screens (a
// camera must not be switched on from there).
const ACTION_MODES = Shell.ActionMode.ALL &
    ~(Shell.ActionMode.LOCK_SCREEN | Shell.ActionMode.UNLOCK_SCREEN | Shell.ActionMode.LOGIN_SCREEN);

// GTK accelerator syntax as mutter reads it: <Modifier>... then a key name.
var isValidAccelerator = function isValidAccelerator(text) {
    const match = /^((?:<[A-Za-z0-9]+>)*)([A-Za-z0-9_]+)$/.exec(text.trim());
    if (!match)
        return false;
    const mods = match[1].match(/<([^>]+)>/g) ?? [];
    if (!mods.every(m => MODIFIERS.has(m.slice(1, -1).toLowerCase())))
        return false;
    const key = match[2];
    return Clutter[`KEY_${key}`] !== undefined || /^0x[0-9a-fA-F]+$/.test(key);
};

var Accelerators = class Accelerators {
    // emit(client, action, name): a grab of client fired
    constructor(emit) {
        this._emit = emit;
        this._grabs = new Map();   // action -> {client, name}
        this._activatedId = 0;
    }

    enable() {
        this._activatedId = global.display.connect('accelerator-activated', (_display, action) => {
            const grab = this._grabs.get(action);
            if (grab)
                this._emit(grab.client, action, grab.name);
        });
    }

    disable() {
        global.display.disconnect(this._activatedId);
        for (const action of [...this._grabs.keys()])
            this._ungrab(action);
    }

    // The action id, or 0 when the accelerator is reserved; throws on bad syntax.
    grab(client, accelerator, name) {
        if (!isValidAccelerator(accelerator))
            throw new Error(`not an accelerator: "${accelerator}"`);
        const action = global.display.grab_accelerator(accelerator.trim(), Meta.KeyBindingFlags.NONE);
        if (action === Meta.KeyBindingAction.NONE)
            return 0;
        // without this the shell's keybinding filter drops it outside normal mode
        Main.wm.allowKeybinding(Meta.external_binding_name_for_action(action), ACTION_MODES);
        this._grabs.set(action, {client, name});
        return action;
    }

    ungrab(client, action) {
        return this._grabs.get(action)?.client === client && this._ungrab(action);
    }

    forgetClient(client) {
        for (const [action, grab] of [...this._grabs]) {
            if (grab.client === client)
                this._ungrab(action);
        }
    }

    _ungrab(action) {
        this._grabs.delete(action);
        Main.wm.allowKeybinding(Meta.external_binding_name_for_action(action), Shell.ActionMode.NONE);
        return global.display.ungrab_accelerator(action);
    }
};
