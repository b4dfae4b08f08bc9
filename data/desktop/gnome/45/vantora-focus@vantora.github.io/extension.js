// GNOME Shell 45 and later: tells VANTORA's D-Bus service which window has
// the focus (its WM_CLASS, which on Wayland is the app id, and its title) at
// every focus change and title change. Nothing is started when VANTORA is
// not running.
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

function report(window) {
    const appId = window ? window.get_wm_class() || window.get_gtk_application_id() || '' : '';
    const title = window ? window.get_title() || '' : '';
    Gio.DBus.session.call('io.github.vantora.Vantora', '/io/github/vantora/Vantora',
        'io.github.vantora.Vantora1', 'ReportActiveWindow', new GLib.Variant('(ss)', [appId, title]),
        null, Gio.DBusCallFlags.NO_AUTO_START, -1, null, null);
}

export default class VantoraFocusExtension extends Extension {
    enable() {
        this._window = null;
        this._titleId = 0;
        this._focusId = global.display.connect('notify::focus-window', () => this._follow());
        this._follow();
    }

    disable() {
        global.display.disconnect(this._focusId);
        this._focusId = 0;
        this._unfollowTitle();
    }

    _follow() {
        this._unfollowTitle();
        this._window = global.display.focus_window;
        if (this._window)
            this._titleId = this._window.connect('notify::title', () => report(this._window));
        report(this._window);
    }

    _unfollowTitle() {
        if (this._window && this._titleId)
            this._window.disconnect(this._titleId);
        this._window = null;
        this._titleId = 0;
    }
}
