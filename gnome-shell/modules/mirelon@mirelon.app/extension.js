// SPDX-License-Identifier: GPL-3.0-or-later
// Mirelon's companion extension, GNOME Shell 45+ (ES modules). Only the
// wiring: the other modules are made from the GNOME 43-44 tree
// (../../legacy/) by ../../make-modules.py; edit them there.
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';
import {Service} from './dbusService.js';

export default class MirelonExtension extends Extension {
    enable() {
        this._service = new Service(this.dir);
        this._service.enable();
    }

    disable() {
        this._service.disable();
        this._service = null;
    }
}
