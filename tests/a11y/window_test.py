#!/usr/bin/python3
"""The window as a screen reader meets it: tandrel-demo on its own Xvfb, read and driven from
outside through AT-SPI, in its own Chinese or, given a locale such as en_US.UTF-8, in English.
Run it inside a private session bus (LOCALE, the demo's LANG, is C.UTF-8 when not given):
  dbus-run-session -- /usr/bin/python3 tests/a11y/window_test.py \
      build/dev/src/app/demo/tandrel-demo [LOCALE]
"""
import os
import subprocess
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402

warnings.simplefilter("ignore", DeprecationWarning)  # Debian 12's libatspi has no newer names
LOCALE = sys.argv[2] if len(sys.argv) > 2 else "C.UTF-8"
TITLE, CONNECT, ABOUT, NOT_CONNECTED, CONNECTED, *LABELS = (
    ["KORVEN Wireless Pairing Tool", "Connect", "About Tandrel", "Not connected!!!!!!",
     "Connected!!!", "Model:", "Colour:", "Switch:", "Firmware:"] if LOCALE.startswith("en") else
    ["KORVEN 无线配对工具", "连接", "关于 Tandrel", "未连接!!!!!!", "已连接！！！",
     "型号：", "颜色：", "轴体：", "固件版本："])
KEYSYMS = {"Tab": 0xFF09, "Up": 0xFF52, "Return": 0xFF0D, "Escape": 0xFF1B, "Menu": 0xFF67,
           "F10": 0xFFC7}
SHIFT_KEYCODE = 50  # Xvfb's Shift_L; typed as a key symbol it would not act as a modifier
passed = failed = 0


def check(what, got, expected):
    global passed, failed
    ok = got == expected
    passed, failed = passed + ok, failed + (not ok)
    print(f"{'ok  ' if ok else 'FAIL'} {what}: {got!r}")
    if not ok:
        print(f"  expected {expected!r}")
    return ok


def run_until(condition, seconds):
    """Runs the event loop, so that events arrive, until condition() holds or time runs out."""
    deadline = time.monotonic() + seconds
    while not condition() and time.monotonic() < deadline:
        GLib.MainContext.default().iteration(False)
        time.sleep(0.02)
    return condition()


def children(node):
    return [node.get_child_at_index(i) for i in range(node.get_child_count())]


def first(nodes, name):
    return next((n for n in nodes if n.get_name() == name), None)


def window_names(app):
    try:
        return [window.get_name() for window in children(app)]
    except GLib.Error:  # the application has ended
        return []


def press(key):
    """Types a key on the X server through the accessibility registry, as a screen reader does."""
    shift = key.startswith("Shift+")
    if shift:
        Atspi.generate_keyboard_event(SHIFT_KEYCODE, None, Atspi.KeySynthType.PRESS)
    Atspi.generate_keyboard_event(KEYSYMS[key.removeprefix("Shift+")], None,
                                  Atspi.KeySynthType.PRESSRELEASE | Atspi.KeySynthType.SYM)
    if shift:
        Atspi.generate_keyboard_event(SHIFT_KEYCODE, None, Atspi.KeySynthType.RELEASE)
    run_until(lambda: False, 0.3)


read_fd, write_fd = os.pipe()
xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-nolisten", "tcp"],
                        pass_fds=[write_fd])
os.close(write_fd)
display = ":" + os.read(read_fd, 16).decode().strip()
# The registry that types the keys starts on demand, with the session bus's environment.
Gio.bus_get_sync(Gio.BusType.SESSION).call_sync(
    "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
    "UpdateActivationEnvironment", GLib.Variant("(a{ss})", ({"DISPLAY": display},)),
    None, Gio.DBusCallFlags.NONE, -1)
demo = subprocess.Popen([sys.argv[1]], env=dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
                                                QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANG=LOCALE,
                                                LANGUAGE="", LC_ALL="", LC_MESSAGES=""))
try:
    desktop = Atspi.get_desktop(0)
    app = run_until(lambda: first(children(desktop), "tandrel"), 15)
    window = app and run_until(lambda: first(children(app), TITLE), 15)
    if not check("application and window found by name", window is not None, True):
        sys.exit(1)
    app.set_cache_mask(Atspi.Cache.NONE)  # every read asks the application itself
    shown = [c for c in children(window) if c.get_state_set().contains(Atspi.StateType.SHOWING)]
    # Roles as numbers: libatspi 2.56 (Debian 13) names the push button's role "button".
    R = Atspi.Role
    check("controls: role, name", [(c.get_role(), c.get_name()) for c in shown], [
        (R.PUSH_BUTTON, CONNECT), (R.LABEL, NOT_CONNECTED),
        *[(role, label) for label in LABELS for role in (R.LABEL, R.TEXT)],
        (R.IMAGE, NOT_CONNECTED)])
    connect, status, lamp = shown[0], shown[1], shown[-1]
    fields = [c for c in shown if c.get_role() == R.TEXT]

    def field_rows():
        return [([r.get_target(0).get_name() for r in field.get_relation_set()
                  if r.get_relation_type() == Atspi.RelationType.LABELLED_BY],
                 Atspi.Text.get_text(field, 0, -1)) for field in fields]

    filled = [([label], text) for label, text in zip(LABELS, ["V540N", "曜石黑", "红轴", "1.05"])]
    check("fields: labelled by, value", field_rows(), filled)
    changed = []
    listener = Atspi.EventListener.new(lambda event: changed.append(event.type)
                                       if event.source in fields else None)
    listener.register("object:text-changed")
    actions = [Atspi.Action.get_action_name(connect, i)
               for i in range(Atspi.Action.get_n_actions(connect))]
    Atspi.Action.do_action(connect, actions.index("Press"))
    run_until(lambda: status.get_name() == CONNECTED, 15)
    check("status line and lamp after Connect", [status.get_name(), lamp.get_name()],
          [CONNECTED] * 2)
    check("fields after Connect", field_rows(), filled)
    del changed[:]
    run_until(lambda: False, 2.5)
    check("fields unchanged while the connection stands", changed, [])

    # Focus is on Connect, where the menu key opens the window's menu; in a field it opens the
    # field's own, and Shift+F10 the window's. Up wraps round to the last entry, About.
    for keys, windows in [(["Menu", "Up", "Return"], [TITLE, ABOUT]),
                          (["Escape"], [TITLE]),
                          (["Tab", "Shift+F10", "Up", "Return"], [TITLE, ABOUT]),
                          (["Escape"], [TITLE])]:
        for key in keys:
            press(key)
        run_until(lambda: window_names(app) == windows, 5)
        check(" ".join(keys), window_names(app), windows)
    press("Escape")
    check("Escape ends the demo", demo.wait(5), 0)
finally:
    demo.terminate()
    demo.wait()
    xvfb.terminate()
    xvfb.wait()
print(f"{passed} passed, {failed} failed")
sys.exit(1 if failed else 0)
