"""Uses the watermark designer (`vendrik --dialog watermark`) through AT-SPI
as a screen reader would: finds every control by its name and role, checks
the states the option buttons report, moves the opacity scroll bar through
its value interface and presses "ÜBERNEHMEN"; then presses "Abbrechen" in a
second opening. Checks the settings file after each. Runs with Debian's
python3-pyatspi inside tests/support/atspi_session.sh.

Usage: atspi_designer.py VENDRIK_PROGRAM
"""

import os
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import GLib

TITLE = "Wasserzeichen Einstellungen"
STORED = b"[Tervane Vendrik]\r\nQuality=80\r\n"


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def find_dialog(seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is None:
                continue
            for window in app:
                if window is not None and window.name == TITLE:
                    return window
        time.sleep(0.2)
    raise Failure(f"no window '{TITLE}' within {seconds} s")


def controls(dialog, role):
    found = pyatspi.findAllDescendants(dialog, lambda a: a.getRole() == role)
    return {a.name: a for a in found}, found


def one(dialog, role, name):
    hits = pyatspi.findAllDescendants(
        dialog, lambda a: a.getRole() == role and a.name == name)
    check(len(hits) == 1, f"{len(hits)} controls '{name}' of role {role}")
    return hits[0]


def states(acc):
    s = acc.getState()
    return s.contains(pyatspi.STATE_CHECKED), s.contains(pyatspi.STATE_ENABLED)


def press(acc, verb="Press", closes=False):
    """Runs the action `verb`: "Press" for push buttons, "Toggle" for option
    buttons. A press that `closes` the designer may end the program before
    its answer arrives; what it did is checked by its exit code and file."""
    name = acc.name
    action = acc.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    check(verb in names, f"'{name}' has no {verb} action, only {names}")
    try:
        done = action.doAction(names.index(verb))
    except GLib.GError:
        if not closes:
            raise
        return
    check(done, f"'{name}' refused {verb}")


def use_designer(program, settings, log, use):
    """Opens the designer on `settings`, hands its window to `use` (which
    must close it) and returns the program's exit code."""
    process = subprocess.Popen(
        [program, "--dialog", "watermark", "--settings", settings],
        stdout=log, stderr=log)
    try:
        use(find_dialog(30))
        try:
            return process.wait(15)
        except subprocess.TimeoutExpired:
            raise Failure("the designer did not close within 15 s")
    finally:
        if process.poll() is None:
            process.kill()


def check_controls(dialog):
    for name in ("ÜBERNEHMEN", "Abbrechen", "VORSCHAU"):
        action = one(dialog, pyatspi.ROLE_PUSH_BUTTON, name).queryAction()
        check("Press" in [action.getName(i) for i in range(action.nActions)],
              f"'{name}' has no Press action")
    one(dialog, pyatspi.ROLE_TEXT, "Info:")
    for name, value in (("Transparenz:", 45), ("Grösse:", 38), ("Winkel:", 40)):
        bar = one(dialog, pyatspi.ROLE_SCROLL_BAR, name)
        current = bar.queryValue().currentValue
        check(current == value, f"'{name}' shows {current}, not {value}")
    combos, _ = controls(dialog, pyatspi.ROLE_COMBO_BOX)
    check(list(combos) == ["Manuell"], f"angle list shows {list(combos)}")
    labels = [r.getTarget(0).name for r in combos["Manuell"].getRelationSet()
              if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
    check(labels == ["Winkel:"], f"angle list labelled by {labels}")

    expected = {  # name: (checked, enabled)
        "Farbe: Schwarz": (False, True), "Farbe: Weiß": (True, True),
        "Farbe: Blau": (False, True), "Farbe: Gelb": (False, True),
        "Farbe: Rot": (False, True), "Farbe: Grün": (False, True),
        "Links": (False, True), "Rechts": (False, True),
        "Oben": (False, True), "Unten": (False, True),
    }
    radios, all_radios = controls(dialog, pyatspi.ROLE_RADIO_BUTTON)
    for name, state in expected.items():
        check(name in radios, f"no option button '{name}'")
        check(states(radios[name]) == state,
              f"'{name}' reports (checked, enabled) {states(radios[name])}, not {state}")
    middles = [states(a) for a in all_radios if a.name == "Mitte"]
    check(middles == [(True, True), (True, True)], f"the two 'Mitte' report {middles}")
    print("found: every control with its name, role, state and Press action")


def apply_changes(dialog):
    check_controls(dialog)
    press(one(dialog, pyatspi.ROLE_PUSH_BUTTON, "VORSCHAU"))
    one(dialog, pyatspi.ROLE_SCROLL_BAR, "Transparenz:").queryValue().currentValue = 60
    press(one(dialog, pyatspi.ROLE_RADIO_BUTTON, "Farbe: Rot"), "Toggle")
    time.sleep(0.5)
    press(one(dialog, pyatspi.ROLE_PUSH_BUTTON, "ÜBERNEHMEN"), closes=True)


def cancel_changes(dialog):
    one(dialog, pyatspi.ROLE_SCROLL_BAR, "Grösse:").queryValue().currentValue = 20
    time.sleep(0.5)
    press(one(dialog, pyatspi.ROLE_PUSH_BUTTON, "Abbrechen"), closes=True)


def main():
    program = sys.argv[1]
    work = os.environ.get("ATSPI_WORK") or tempfile.mkdtemp()
    settings = os.path.join(work, "vendrik.ini")
    with open(settings, "wb") as f:
        f.write(STORED)
    with open(os.path.join(work, "vendrik.log"), "w") as log:
        # Apply: a design changed through the accessibility interface is stored.
        code = use_designer(program, settings, log, apply_changes)
        check(code == 0, f"exit code {code} after ÜBERNEHMEN, not 0")
        with open(settings, "rb") as f:
            stored = f.read()
        for line in (b"Quality=80", b"Alpha=60", b"Color=4", b"WSize=38", b"AngleN=1",
                     b"Info=\xa9 Tervane Vendrik#\xa7   www.tervane.example"):
            check(line + b"\r\n" in stored, f"{line!r} missing from {stored!r}")
        print("ÜBERNEHMEN: stored", stored.count(b"\n") - 2, "keys beside Quality")

        # Cancel: nothing is stored.
        code = use_designer(program, settings, log, cancel_changes)
        check(code == 1, f"exit code {code} after Abbrechen, not 1")
        with open(settings, "rb") as f:
            check(f.read() == stored, "Abbrechen changed the settings file")
        print("Abbrechen: settings file unchanged")
    print("PASS")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as failure:
        print(f"FAIL: {failure}")
        sys.exit(1)
