// SPDX-License-Identifier: GPL-3.0-or-later
// An icon in the top bar for Mirelon where no tray shows its own: a click
// tells Mirelon where to open its menu.
'use strict';
import Clutter from 'gi://Clutter';
import Gio from 'gi://Gio';
import St from 'gi://St';
import * as Main from 'resource:///org/gnome/shell/ui/main.js';
import * as PanelMenu from 'resource:///org/gnome/shell/ui/panelMenu.js';

const ROLE = 'mirelon';

export const TopBarIcon = class TopBarIcon {
    // emit(client, x, y): the icon of client was clicked
    constructor(emit) {
        this._emit = emit;
        this._client = null;
        this._button = null;
    }

    enable() {
    }

    disable() {
        this._remove();
    }

    // The newest caller's icon is the one shown.
    set(client, show, icon) {
        if (!show) {
            if (this._client === client)
                this._remove();
            return;
        }
        if (!this._button) {
            this._button = new PanelMenu.Button(0.0, 'Mirelon', true);
            this._icon = new St.Icon({style_class: 'system-status-icon'});
            this._button.add_child(this._icon);
            this._button.connect('button-press-event', () => this._activated());
            this._button.connect('touch-event', (_actor, event) => {
                if (event.type() === Clutter.EventType.TOUCH_BEGIN)
                    return this._activated();
                return Clutter.EVENT_PROPAGATE;
            });
            Main.panel.addToStatusArea(ROLE, this._button);
        }
        this._client = client;
        if (icon.startsWith('/'))
            this._icon.gicon = Gio.FileIcon.new(Gio.File.new_for_path(icon));
        else
            this._icon.icon_name = icon;
    }

    forgetClient(client) {
        if (this._client === client)
            this._remove();
    }

    // The bottom-left corner of the icon, in stage coordinates.
    anchor() {
        if (!this._button)
            return null;
        const [x, y] = this._button.get_transformed_position();
        const [, height] = this._button.get_transformed_size();
        return [Math.round(x), Math.round(y + height)];
    }

    _activated() {
        const [x, y] = this.anchor();
        this._emit(this._client, x, y);
        return Clutter.EVENT_STOP;
    }

    _remove() {
        this._button?.destroy();
        this._button = null;
        this._icon = null;
        this._client = null;
    }
};
