// SPDX-License-Identifier: GPL-3.0-or-later
// Mirelon's companion extension, GNOME Shell 43-44 (legacy imports). Only the
// wiring: the work is in the modules beside it, shared with the GNOME 45+
// tree (../../modules/, made from these by ../../make-modules.py).
'use strict';

const ExtensionUtils = imports.misc.extensionUtils;
const Me = ExtensionUtils.getCurrentExtension();
const {Service} = Me.imports.dbusService;

class MirelonExtension {
    enable() {
        this._service = new Service(Me.dir);
        this._service.enable();
    }

    disable() {
        this._service.disable();
        this._service = null;
    }
}

function init() {
    return new MirelonExtension();
}
