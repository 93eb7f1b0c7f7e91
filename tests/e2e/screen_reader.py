#!/usr/bin/env python3
"""What a screen reader reads of the real window, over AT-SPI: each control's name, and in the drive list and the
directory list the entry that is current, as the one selected item of the control's list. Checked once after the
start and again after F5, which fills both lists anew.

Usage: screen_reader.py PROGRAM   (on a display of its own, in a session bus of its own:
    tests/with_display.sh dbus-run-session -- screen_reader.py PROGRAM)
Exits 77 (skipped) where the AT-SPI bindings (gir1.2-atspi-2.0) are not installed."""

import os
import shutil
import subprocess
import sys
import tempfile
import time

try:
    import gi

    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi
except (ImportError, ValueError) as error:
    print(f"skipped: no AT-SPI bindings ({error})")
    sys.exit(77)


def wait_for(what, probe, limit=30):
    """Calls probe until it returns something true, and returns that; after `limit` seconds says so and returns
    what the probe last returned."""
    deadline = time.monotonic() + limit
    while True:
        found = probe()
        if found or time.monotonic() > deadline:
            if not found:
                print(f"Waited {limit} s for {what}, in vain.")
            return found
        time.sleep(0.2)


def application(pid):
    desktop = Atspi.get_desktop(0)
    for index in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(index)
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def descendants(node):
    for index in range(node.get_child_count()):
        child = node.get_child_at_index(index)
        if child is not None:
            yield child
            yield from descendants(child)


def named(app, name):
    return next((node for node in descendants(app) if node.get_name() == name), None)


def selected_items(control):
    """The names of the items that the control, or the list it holds, marks SELECTED."""
    lists = [control] + [node for node in descendants(control) if node.get_role() == Atspi.Role.LIST]
    names = []
    for list_node in lists:
        for index in range(list_node.get_child_count()):
            item = list_node.get_child_at_index(index)
            if item is not None and item.get_state_set().contains(Atspi.StateType.SELECTED):
                names.append(item.get_name())
    return names


def main():
    program = sys.argv[1]
    work = tempfile.mkdtemp()
    folder = os.path.join(work, "フォルダ 1")
    os.makedirs(os.path.join(folder, "sub"))
    mount = subprocess.run(["findmnt", "-n", "-o", "TARGET", "-T", folder], check=True, capture_output=True,
                           text=True).stdout.strip()
    environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", TZ="UTC", LC_ALL="C.UTF-8",
                       XDG_RUNTIME_DIR=work)
    process = subprocess.Popen([program, folder], env=environment)
    failures = 0
    try:
        Atspi.init()
        app = wait_for("the program on the accessibility bus", lambda: application(process.pid))
        if app is None:
            return 1
        # name, role, what its selected item's name begins with (None: no list of its own)
        controls = [
            ("ドライブ", Atspi.Role.COMBO_BOX, mount + " "),
            ("フォルダ", Atspi.Role.LIST, "フォルダ 1"),
            ("ファイル一覧", Atspi.Role.TABLE, None),
        ]
        for moment in ("after the start", "after F5"):
            if moment == "after F5":
                window = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name",
                                         r"^Mirelda Ver1\.10$"], check=True, capture_output=True,
                                        text=True).stdout.split()[0]
                subprocess.run(["xdotool", "windowfocus", "--sync", window, "key", "--clearmodifiers", "F5"],
                               check=True)
                time.sleep(1)
            for name, role, current in controls:
                control = wait_for(f"a control named {name}", lambda: named(app, name))
                if control is None:
                    failures += 1 if current is None else 2
                    continue
                if control.get_role() != role:
                    print(f"FAIL {moment}: {name} is a {control.get_role_name()}, not a {role.value_nick}")
                    failures += 1
                if current is None:
                    continue
                items = wait_for(f"a selected item in {name}", lambda: selected_items(control), limit=10)
                if len(items) != 1 or not items[0].startswith(current):
                    print(f"FAIL {moment}: {name} has selected {items}, expected one item beginning {current!r}")
                    failures += 1
    finally:
        process.terminate()
        process.wait()
        shutil.rmtree(work, ignore_errors=True)
    checks = 2 * sum(1 if current is None else 2 for _, _, current in controls)
    print(f"{checks - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
