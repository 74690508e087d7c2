// SPDX-License-Identifier: GPL-3.0-or-later
// The D-Bus side: app.mirelon.Shell on the session bus (the interface is
// app.mirelon.Shell.xml beside this file), each client's requests handed to
// the parts and undone when the client leaves the bus.
'use strict';
/* modules:
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import * as Config from 'resource:///org/gnome/shell/misc/config.js';
import {Accelerators} from './accelerators.js';
import {ClickThrough} from './clickThrough.js';
import {Pointer} from './pointer.js';
import {TopBarIcon} from './topBarIcon.js';
*/
const {Gio, GLib} = imports.gi; // legacy
const Config = imports.misc.config; // legacy
const Me = imports.misc.extensionUtils.getCurrentExtension(); // legacy
const {Accelerators} = Me.imports.accelerators; // legacy
const {ClickThrough} = Me.imports.clickThrough; // legacy
const {Pointer} = Me.imports.pointer; // legacy
const {TopBarIcon} = Me.imports.topBarIcon; // legacy

const BUS_NAME = 'app.mirelon.Shell';
const OBJECT_PATH = '/app/mirelon/Shell';
const INTERFACE = 'app.mirelon.Shell';
const PROTOCOL_VERSION = 1;
const INVALID_ARGS = 'app.mirelon.Shell.Error.InvalidArgs';

var Service = class Service {
    // dir: the extension's folder (a Gio.File), where the interface file is
    constructor(dir) {
        const [, bytes] = dir.get_child(`${INTERFACE}.xml`).load_contents(null);
        this._xml = new TextDecoder().decode(bytes);
        this._clickThrough = new ClickThrough();
        this._accelerators = new Accelerators((client, action, name) =>
            this._signal(client, 'Activated', new GLib.Variant('(us)', [action, name])));
        this._pointer = new Pointer((client, x, y) =>
            this._signal(client, 'PointerMoved', new GLib.Variant('(ii)', [x, y])));
        this._topBarIcon = new TopBarIcon((client, x, y) =>
            this._signal(client, 'TopBarIconActivated', new GLib.Variant('(ii)', [x, y])));
        this._parts = [this._clickThrough, this._accelerators, this._pointer, this._topBarIcon];
        this._clients = new Map();   // unique bus name -> name watch id
        this._dbus = null;
        this._nameId = 0;
    }

    enable() {
        this._parts.forEach(part => part.enable());
        this._dbus = Gio.DBusExportedObject.wrapJSObject(this._xml, this);
        this._dbus.export(Gio.DBus.session, OBJECT_PATH);
        this._nameId = Gio.bus_own_name_on_connection(Gio.DBus.session, BUS_NAME,
            Gio.BusNameOwnerFlags.NONE, null, () => console.warn(`mirelon: cannot own ${BUS_NAME}`));
    }

    disable() {
        Gio.bus_unown_name(this._nameId);
        this._nameId = 0;
        this._dbus.unexport();
        this._dbus = null;
        for (const id of this._clients.values())
            Gio.bus_unwatch_name(id);
        this._clients.clear();
        this._parts.forEach(part => part.disable());
    }

    // ---- properties
    get Version() {
        return PROTOCOL_VERSION;
    }

    get ShellVersion() {
        return Config.PACKAGE_VERSION;
    }

    // ---- overlays
    SetOverlayWindowsAsync([ids], invocation) {
        this._clickThrough.setOverlayWindows(this._client(invocation), ids);
        invocation.return_value(null);
    }

    OverlayWindows() {
        return this._clickThrough.overlayWindows();
    }

    SetMoveModeAsync([on], invocation) {
        this._clickThrough.setMoveMode(this._client(invocation), on);
        invocation.return_value(null);
    }

    // ---- accelerators
    GrabAcceleratorAsync([accelerator, name], invocation) {
        let action;
        try {
            action = this._accelerators.grab(this._client(invocation), accelerator, name);
        } catch (e) {
            invocation.return_dbus_error(INVALID_ARGS, e.message);
            return;
        }
        invocation.return_value(new GLib.Variant('(u)', [action]));
    }

    UngrabAcceleratorAsync([action], invocation) {
        const ungrabbed = this._accelerators.ungrab(invocation.get_sender(), action);
        invocation.return_value(new GLib.Variant('(b)', [ungrabbed]));
    }

    // ---- pointer
    WatchPointerAsync([watch], invocation) {
        this._pointer.watch(this._client(invocation), watch);
        invocation.return_value(null);
    }

    PointerPosition() {
        return this._pointer.position();
    }

    // ---- top-bar icon
    SetTopBarIconAsync([show, icon], invocation) {
        this._topBarIcon.set(this._client(invocation), show, icon);
        invocation.return_value(null);
    }

    // ---- clients
    _client(invocation) {
        const client = invocation.get_sender();
        if (!this._clients.has(client)) {
            this._clients.set(client, Gio.bus_watch_name_on_connection(Gio.DBus.session, client,
                Gio.BusNameWatcherFlags.NONE, null, () => this._clientGone(client)));
        }
        return client;
    }

    _clientGone(client) {
        const id = this._clients.get(client);
        if (id === undefined)
            return;
        this._clients.delete(client);
        Gio.bus_unwatch_name(id);
        this._parts.forEach(part => part.forgetClient(client));
    }

    // A signal for one client alone.
    _signal(client, name, params) {
        if (!client || !this._dbus)
            return;
        Gio.DBus.session.emit_signal(client, OBJECT_PATH, INTERFACE, name, params);
    }
};
