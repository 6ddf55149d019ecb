"""Finds the folder chooser of `vendrik --dialog folder` through AT-SPI, checks
that its buttons and lists carry their names (the buttons with a "Press"
action), presses "Ü B E R N E H M E N" as a screen reader would and checks
that the chooser handed back its start folder with a trailing "/"
(VENDRIK_ATSPI_EXPECT). Runs with Debian's python3-pyatspi."""

import os
import sys
import time

import pyatspi

APPS = ("Tervane Vendrik", "vendrik")
BUTTONS = ("Neuer Ordner", "Ü B E R N E H M E N", "A B B R E C H E N")
NAMED = {"Ordner": pyatspi.ROLE_LIST, "Bilder im Ordner": pyatspi.ROLE_LIST}


def find_app(seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name in APPS:
                found = pyatspi.findAllDescendants(
                    app, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON
                    and a.name == BUTTONS[1])
                if found:
                    return app
        time.sleep(0.2)
    return None


def read_output(path):
    with open(path, encoding="utf-8") as f:
        return [line.rstrip("\n") for line in f if line.strip()]


def main():
    output_file = sys.argv[1]
    expected = os.environ["VENDRIK_ATSPI_EXPECT"]
    app = find_app(30)
    if app is None:
        print(f"FAIL: no application {APPS} with a button '{BUTTONS[1]}'")
        return 1
    for name, role in NAMED.items():
        hits = pyatspi.findAllDescendants(app, lambda a: a.name == name and a.getRole() == role)
        if len(hits) != 1:
            print(f"FAIL: {len(hits)} controls named '{name}' with role {role}")
            return 1
    # The places list: a combo box, which the bus names by its value, a
    # place as "name (path)".
    combos = pyatspi.findAllDescendants(app, lambda a: a.getRole() == pyatspi.ROLE_COMBO_BOX)
    if len(combos) != 1 or " (/" not in combos[0].name:
        print(f"FAIL: expected one combo box showing a place, found {[c.name for c in combos]}")
        return 1
    print(f"found: combo box '{combos[0].name}'")
    press = {}
    for name in BUTTONS:
        hits = pyatspi.findAllDescendants(
            app, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON and a.name == name)
        if len(hits) != 1:
            print(f"FAIL: {len(hits)} push buttons named '{name}'")
            return 1
        action = hits[0].queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        if "Press" not in names:
            print(f"FAIL: '{name}' has no Press action: {names}")
            return 1
        press[name] = (action, names.index("Press"))
        print(f"found: push button '{name}', actions {names}")
    action, index = press[BUTTONS[1]]
    if not action.doAction(index):
        print("FAIL: the Press action was refused")
        return 1
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline and not read_output(output_file):
        time.sleep(0.1)
    output = read_output(output_file)
    print(f"handed back: {output}")
    if output != [expected]:
        print(f"FAIL: expected ['{expected}']")
        return 1
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
