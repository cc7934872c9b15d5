#!/usr/bin/python3
"""What a screen reader hears of the program's choices, through the real
accessibility bus: the desktop program (the real one, against the simulated
device) under an X server, at-spi2-core's bus and registry, read with pyatspi
as Orca reads it. On every page with drop-downs (MSN: the port pictures; call
acceptance: the selectors; data: protocol and EID class) and in the settings
dialog (the language flag), each drop-down is given the focus, Down is
pressed as a user presses it (through the registry, as keys typed on the X
server), and the entry it now shows must be the next one of its list, as the
control's text (AT-SPI Text) or, for Qt's own combo boxes, its name. Up
brings the first back.

Run as:  xvfb-run -a dbus-run-session -- /usr/bin/python3 atspi_walk.py BIN_DIR
Exit status 77: a part of the desktop is missing (said why); 1: a finding."""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
DEADLINE = 30.0  # seconds for anything to come up on a loaded machine
START = time.monotonic()


def skip(why):
    print("SKIP: " + why)
    sys.exit(SKIP)


try:
    import pyatspi
except ImportError as e:
    skip("pyatspi is not installed (python3-pyatspi): %s" % e)

LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
# A window manager gives the program's window the keyboard, as on any desktop.
WINDOW_MANAGER = ["matchbox-window-manager", "-use_titlebar", "no"]

# The entries of each kind of list, in order, as the program shows them (English).
ANALOG = ["Phone", "Cordless phone", "Fax machine", "Answering machine", "Modem",
          "Door intercom", "Alarm system", "Kitchen phone", "Children's phone", "Office phone",
          "Phone with display", "Coin phone", "Conference phone", "Headset", "Free"]
DATA = ["PC", "Laptop", "Server", "ISDN card", "PC with fax software", "Free"]
LISTS = {
    "acceptance": ["None", "these MSNs", "all Calls"],
    "caller id": ["No Caller ID presentation", "(FSK)Send Phone Number",
                  "(DTMF)Send Phone Number"],
    "ring delay": ["%d ring" % n for n in range(10)],
    "analog": ANALOG,
    "data": DATA,
    "protocol": ["PPP(point-to-point protocol)", "V.120", "V.110", "X.75(BTX/T-OnLine)",
                 "X.75(Transparent Layer 3)", "X.75 With T.70NL", "HDLC",
                 "SoftFax/Digital Answering Machine"],
    "eid class": ["NULL", "Local address", "Internet Protocol Address",
                  "IEEE802.1 global MAC address", "PPP magic number block",
                  "Number of The TA"],
    "language": ["English", "German"],
}
# A choice that relabels the window speaks the new language at once.
IN_GERMAN = {"English": "Englisch", "German": "Deutsch"}
# The serial ports the machine has, after "search all": not known beforehand.
PORTS = "ports"

findings = []
program_process = None  # the desktop program, once started


class Gone(Exception):
    pass


def kind_of(name, shown):
    """Which list a drop-down holds, by its name (ours) or its entry (Qt's)."""
    if name.startswith("Call Acceptance"):
        return "acceptance"
    if name.startswith("Caller ID presentation"):
        return "caller id"
    if name.startswith("Ring delay"):
        return "ring delay"
    if name.startswith("Data Port device"):
        return "data"
    if " device: " in name:
        return "analog"
    if name.startswith("Language"):
        return "language"
    for kind in ("protocol", "eid class"):
        if shown in LISTS[kind]:
            return kind
    if shown == "search all" or shown.startswith("COM"):
        return PORTS
    return None


def until(what, test, deadline=DEADLINE):
    end = time.monotonic() + deadline
    while time.monotonic() < end:
        if program_process is not None and program_process.poll() is not None:
            raise Gone("the program ended (status %s) while waiting for %s"
                       % (program_process.returncode, what))
        try:
            value = test()
        except Exception:  # an object gone while the page changes
            value = None
        if value:
            return value
        time.sleep(0.05)
    raise TimeoutError(what)


def heard(obj):
    """The entry a screen reader reads: the control's text, else its name."""
    try:
        text = obj.queryText()
        return text.getText(0, -1)
    except NotImplementedError:
        return obj.name


def showing(obj):
    return obj.getState().contains(pyatspi.STATE_SHOWING)


def walk(obj, out, depth=0):
    if obj is None or depth > 40:
        return out
    try:
        if not showing(obj) and depth > 1:
            return out
        out.append(obj)
        for i in range(obj.childCount):
            walk(obj.getChildAtIndex(i), out, depth + 1)
    except Exception:
        pass
    return out


def everything(obj, depth):
    """obj and what lies below it, shown or not (a menu's entries)."""
    out = [obj]
    if depth > 0:
        for i in range(obj.childCount):
            child = obj.getChildAtIndex(i)
            if child is not None:
                out += everything(child, depth - 1)
    return out


def find(root, role, name=None):
    return [o for o in walk(root, []) if o.getRole() == role and (name is None or o.name == name)]


def app_of(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        a = desktop.getChildAtIndex(i)
        if a is not None and a.name == name:
            return a
    return None


def key(sym):
    pyatspi.Registry.generateKeyboardEvent(sym, None, pyatspi.KEY_SYM)


DOWN, UP = 0xff54, 0xff52


def press(obj):
    action = obj.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("press", "Press"):
            action.doAction(i)
            return
    action.doAction(0)


def point_at(window):
    """The X server gives the keys to the window under the pointer (no window manager)."""
    x, y, w, h = window.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(x + w // 2, y + 10, "abs")


def check_drop_downs(where, root):
    combos = [c for c in find(root, pyatspi.ROLE_COMBO_BOX) if showing(c)]
    if not combos:
        findings.append("%s: no drop-down found" % where)
    for combo in combos:
        name = combo.name
        before = heard(combo)
        kind = kind_of(name, before)
        if kind == PORTS:
            listed = combo.getChildAtIndex(0) if combo.childCount else None
            if listed is None or listed.childCount < 2:
                print("  %s: the only entry, nothing to choose" % before)
                continue
            entries, step, back, expected = None, DOWN, UP, None
        elif kind is None or before not in LISTS[kind]:
            findings.append("%s: drop-down \"%s\" says \"%s\", not an entry of its list"
                            % (where, name, before))
            continue
        else:
            entries = LISTS[kind]
            step, back = (DOWN, UP) if entries.index(before) + 1 < len(entries) else (UP, DOWN)
            expected = entries[entries.index(before) + (1 if step == DOWN else -1)]
        combo.queryComponent().grabFocus()
        try:
            until("focus", lambda: combo.getState().contains(pyatspi.STATE_FOCUSED), 10)
        except TimeoutError:
            dialogs = [d.name for d in find(combo.getApplication(), pyatspi.ROLE_DIALOG)
                       if showing(d)]
            findings.append("%s: \"%s\" takes no focus%s" % (
                where, name, " (a dialog is up: %s)" % ", ".join(dialogs) if dialogs else ""))
            if dialogs:
                return
            continue
        key(step)
        try:
            now = until("change", lambda: heard(combo) != before and heard(combo), 5)
        except TimeoutError:
            now = heard(combo)
        if expected is None:
            ok = bool(now) and now != before  # another of the machine's ports
        else:
            ok = now in (expected, IN_GERMAN.get(expected))
        if not ok:
            findings.append("%s: after %s, \"%s\" is heard as \"%s\", expected \"%s\""
                            % (where, "Down" if step == DOWN else "Up", name, now, expected))
        else:
            print("  %s: %s -> %s  (%.1f s)" % (name or "(combo box)", before, now,
                                               time.monotonic() - START))
        key(back)
        try:
            until("back", lambda: heard(combo) == before, 5)
        except TimeoutError:
            findings.append("%s: \"%s\" does not come back to \"%s\"" % (where, name, before))


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    bindir = sys.argv[1]
    program, sim = os.path.join(bindir, "quorvex"), os.path.join(bindir, "r70sim")
    for f in (program, sim):
        if not os.access(f, os.X_OK):
            print("missing: " + f)
            return 2
    if not os.access(LAUNCHER, os.X_OK):
        skip("at-spi2-core's bus launcher is not installed: " + LAUNCHER)
    if not os.environ.get("DISPLAY"):
        skip("no X server (DISPLAY is not set; run under xvfb-run)")
    if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        skip("no session bus (run under dbus-run-session)")
    if shutil.which(WINDOW_MANAGER[0]) is None:
        skip("no window manager to give the program the keyboard (%s)" % WINDOW_MANAGER[0])

    work = tempfile.mkdtemp(prefix="atspi_walk_")
    started = []
    try:
        started.append(subprocess.Popen(WINDOW_MANAGER, stderr=subprocess.DEVNULL))
        started.append(subprocess.Popen([LAUNCHER, "--launch-immediately"]))
        port = os.path.join(work, "COM3")
        started.append(subprocess.Popen([sim, "--model", "R70", "--link", port],
                                         stdout=subprocess.DEVNULL))
        until("the simulator", lambda: os.path.exists(port))
        home = os.path.join(work, "home")
        os.mkdir(home)
        with open(os.path.join(home, "default.pro"), "w") as f:
            f.write("[SET_DIV]\nLANGUAGE=0\n")
        with open(os.path.join(home, "win.ini"), "w") as f:
            f.write("[QuorvexCom]\nFirstRun=1\n")
        env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   QUORVEX_HOME=home, QUORVEX_SPLASH_MS="0",
                   R70COM_PORTS="COM1=;COM2=;COM3=%s;COM4=;COM5=;COM6=;COM7=;COM8=" % port)
        global program_process
        program_process = subprocess.Popen([program], env=env)
        started.append(program_process)

        app = until("the program on the bus", lambda: app_of("quorvex"))
        frame = until("the main window",
                      lambda: [w for w in find(app, pyatspi.ROLE_FRAME) if showing(w)])[0]
        point_at(frame)
        pages = [("MSN", "MSN"), ("Call Acceptance", "call acceptance"), ("Data", "data")]
        for tab, where in pages:
            target = until("tab " + tab, lambda: find(frame, pyatspi.ROLE_PAGE_TAB, tab))[0]
            if not target.getState().contains(pyatspi.STATE_SELECTED):
                press(target)
                until("page " + where, lambda: find(frame, pyatspi.ROLE_PAGE_TAB, tab)[0]
                      .getState().contains(pyatspi.STATE_SELECTED))
            # The page has read the device when its drop-downs show entries.
            time.sleep(0.5)
            until("page " + where + " filled", lambda: [
                c for c in find(frame, pyatspi.ROLE_COMBO_BOX) if showing(c)])
            print("page " + where + ":")
            check_drop_downs("page " + where, frame)

        # The settings dialog, from its menu item: the language flag.
        bar = until("the menu bar", lambda: find(frame, pyatspi.ROLE_MENU_BAR))[0]
        item = until("menu item Settings...", lambda: [
            entry for entry in everything(bar, 4) if entry.getRole() == pyatspi.ROLE_MENU_ITEM
            and entry.name.replace("&", "") == "Settings..."])[0]
        press(item)
        dialog = until("the settings dialog", lambda: [
            d for d in find(app, pyatspi.ROLE_DIALOG) if showing(d)])[0]
        point_at(dialog)
        print("settings dialog:")
        check_drop_downs("settings dialog", dialog)
        cancel = [b for b in find(dialog, pyatspi.ROLE_PUSH_BUTTON) if b.name == "Cancel"]
        if cancel:
            press(cancel[0])
    except TimeoutError as e:
        findings.append("did not come up within %d s: %s" % (DEADLINE, e))
    except Gone as e:
        findings.append(str(e))
    finally:
        for p in reversed(started):
            p.send_signal(signal.SIGTERM)
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()
        shutil.rmtree(work, ignore_errors=True)
    for f in findings:
        print("FINDING: " + f)
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
