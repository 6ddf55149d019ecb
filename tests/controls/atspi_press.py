"""Finds the push button named "Normal" in the test window through AT-SPI,
presses it with its "Press" action and checks that the window saw exactly
one Click of that button. Runs with Debian's python3-pyatspi."""

import sys
import time

import pyatspi

APP = "atspi_button_host"


def find_button(name, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is None or app.name != APP:
                continue
            hits = pyatspi.findAllDescendants(
                app, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON and a.name == name)
            if hits:
                return hits
        time.sleep(0.2)
    return []


def read_clicks(path):
    with open(path, encoding="utf-8") as f:
        return [line.strip() for line in f if line.strip()]


def main():
    clicks_file = sys.argv[1]
    buttons = find_button("Normal", 30)
    if len(buttons) != 1:
        print(f"FAIL: {len(buttons)} push buttons named 'Normal' in {APP}")
        return 1
    button = buttons[0]
    action = button.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    print(f"found: role '{button.getRoleName()}', name '{button.name}', actions {names}")
    if "Press" not in names:
        print("FAIL: no Press action")
        return 1
    if not action.doAction(names.index("Press")):
        print("FAIL: the Press action was refused")
        return 1
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline and not read_clicks(clicks_file):
        time.sleep(0.1)
    time.sleep(0.5)  # time for a second, wrong Click to show
    clicks = read_clicks(clicks_file)
    print(f"raised: {clicks}")
    if clicks != ["Click Normal"]:
        print("FAIL: expected exactly one Click of 'Normal'")
        return 1
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
