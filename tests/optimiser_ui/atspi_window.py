"""Drives vendrik's main window through AT-SPI, as a screen reader user or a
test robot would: finds the window "Tervane Vendrik", checks that its
controls say what they are, marks an entry of the file list, opens its
comparison with "Vergleich" and moves the divider there, presses
"Bildgrösse optimieren" by name, answers the one-time hint, waits for the
output file, then marks two entries and presses "Stapelverarbeitung", reads
"2 von 2" and the summary as a screen reader does and presses "Zielordner
öffnen" by name (the caller's xdg-open notes the folder in $XDG_OPEN_LOG).
Writes the names of the two marked pictures and of their outputs into
FOLDER/.marked and FOLDER/.outputs for the caller's comparison.
Runs with Debian's python3-pyatspi.

Usage: atspi_window.py FOLDER"""

import os
import re
import subprocess
import sys
import time

import pyatspi

TITLE = "Tervane Vendrik"


class Failure(Exception):
    pass


def wait_until(what, seconds, probe):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        result = probe()
        if result:
            return result
        time.sleep(0.1)
    raise Failure(f"timed out after {seconds} s waiting for {what}")


def find_window(title=TITLE):
    def probe():
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is None:
                continue
            for child in app:
                if child is not None and child.name == title and child.getRole() in (
                        pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW, pyatspi.ROLE_DIALOG):
                    return child
        return None
    return wait_until(f"the window '{title}'", 60, probe)


def descendants(root, role=None, name=None):
    return pyatspi.findAllDescendants(
        root, lambda a: (role is None or a.getRole() == role) and (name is None or a.name == name))


def one(root, role, name):
    hits = descendants(root, role, name)
    if len(hits) != 1:
        raise Failure(f"{len(hits)} controls with role {role} named '{name}'")
    return hits[0]


def press(button):
    action = button.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if "Press" not in names:
        raise Failure(f"'{button.name}' has no Press action, only {names}")
    if not action.doAction(names.index("Press")):
        raise Failure(f"'{button.name}' refused its Press action")


def state(control, wanted):
    return control.getState().contains(wanted)


def labels_of(control):
    names = []
    for relation in control.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            names += [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return names


def list_items(file_list):
    return [file_list.getChildAtIndex(i) for i in range(file_list.childCount)]


def mark(file_list, names):
    """Marks exactly `names` in the list, as assistive technology does: by
    the list's selection where it offers one, else by toggling its entries."""
    items = list_items(file_list)
    try:
        selection = file_list.querySelection()
    except NotImplementedError:
        selection = None
    if selection is not None:
        selection.clearSelection()
        for name in names:
            if not selection.selectChild([i.name for i in items].index(name)):
                raise Failure(f"the list refused to mark '{name}'")
    else:
        for item in items:
            if state(item, pyatspi.STATE_SELECTED) != (item.name in names):
                action = item.queryAction()
                toggle = [action.getName(i) for i in range(action.nActions)].index("Toggle")
                action.doAction(toggle)
    wait_until(f"{names} marked", 10, lambda: sorted(
        i.name for i in list_items(file_list) if state(i, pyatspi.STATE_SELECTED)) == sorted(names))


def answer_message(app_window, button_name):
    """Presses `button_name` in the message box that opens over the window."""
    def probe():
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is None:
                continue
            for top in app:
                if top is None or top.name != TITLE or top == app_window:
                    continue
                hits = descendants(top, pyatspi.ROLE_PUSH_BUTTON, button_name)
                if hits:
                    return top, hits[0]
        return None
    box, button = wait_until(f"a message box with '{button_name}'", 30, probe)
    texts = [l.name for l in descendants(box, pyatspi.ROLE_LABEL) if l.name]
    print(f"message box: {texts}")
    press(button)
    return texts


def output_of(name):
    return name[:-4] + "_new.jpg"


def main():
    folder = sys.argv[1]
    window = find_window()
    print(f"found: role '{window.getRoleName()}', name '{window.name}'")

    # What a screen reader announces: captions as names, the label beside a
    # field as its name, states of check boxes and options, bars' values.
    for role, name in [
            (pyatspi.ROLE_TEXT, "Quell-Pfad:"), (pyatspi.ROLE_TEXT, "Ziel-Pfad:"),
            (pyatspi.ROLE_CHECK_BOX, "Gleicher Pfad wie Quell-Bild"),
            (pyatspi.ROLE_CHECK_BOX, "Originalgröße(n) beibehalten"),
            (pyatspi.ROLE_CHECK_BOX, "einblenden"), (pyatspi.ROLE_CHECK_BOX, "am Anfang"),
            (pyatspi.ROLE_RADIO_BUTTON, "beste Qualität"),
            (pyatspi.ROLE_RADIO_BUTTON, "höhere Geschwindigkeit"),
            (pyatspi.ROLE_PUSH_BUTTON, "Website"), (pyatspi.ROLE_PUSH_BUTTON, "Optimal"),
            (pyatspi.ROLE_PUSH_BUTTON, "Ordner aktualisieren"),
            (pyatspi.ROLE_PUSH_BUTTON, "weitere Einstellungen..."),
            (pyatspi.ROLE_PROGRESS_BAR, "Fortschritt gesamt (Stapelverarbeitung):"),
            (pyatspi.ROLE_PROGRESS_BAR, "Fortschritt aktuelles Bild:"),
            (pyatspi.ROLE_LABEL, "Verwendungszweck / Qualität: 80%"),
            (pyatspi.ROLE_LABEL, "Camera:")]:
        one(window, role, name)
    # A combo box is named by its current item; the label beside it names it
    # through the labelled-by relation, which screen readers read out.
    labelled = [c for c in descendants(window, pyatspi.ROLE_COMBO_BOX)
                if "Neue Bildgrösse / Optimieren für:" in labels_of(c)]
    if len(labelled) != 1 or labelled[0].name != "1024 x 1280":
        raise Failure("the size list is not labelled by 'Neue Bildgrösse / Optimieren für:'")
    if not state(one(window, pyatspi.ROLE_CHECK_BOX, "Gleicher Pfad wie Quell-Bild"),
                 pyatspi.STATE_CHECKED):
        raise Failure("'Gleicher Pfad wie Quell-Bild' does not report itself checked")
    if not state(one(window, pyatspi.ROLE_RADIO_BUTTON, "beste Qualität"), pyatspi.STATE_CHECKED):
        raise Failure("'beste Qualität' does not report itself checked")
    print("names and states: as the captions say")

    file_list = one(window, pyatspi.ROLE_LIST, "Quell-Bild(er)")
    items = list_items(file_list)
    names = [i.name for i in items]
    print(f"file list: {names}")
    if any(i.getRole() != pyatspi.ROLE_LIST_ITEM for i in items) or len(names) < 2:
        raise Failure("the file list's entries are not list items named by file")

    # A single run: one entry, the start button by its name.
    first = names[0]
    mark(file_list, [first])
    # A click on the entry (where the desktop says it is) shows its preview
    # and the estimated size of its output, a label read out by its text.
    item = [i for i in list_items(file_list) if i.name == first][0]
    box = item.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(box.x + box.width // 2),
                    str(box.y + box.height // 2), "click", "1"], check=True)
    estimate = wait_until("the estimate 'ca. N KB'", 60, lambda: [
        l for l in descendants(window, pyatspi.ROLE_LABEL)
        if re.fullmatch(r"ca\. [0-9]+ KB", l.name or "")])[0]
    print(f"estimate: '{estimate.name}'")
    # "Vergleich", pressed by its name, opens the comparison in a window of
    # its own: the output's size and quality are a label read out by its
    # text, the divider is a named slider that assistive technology moves.
    press(one(window, pyatspi.ROLE_PUSH_BUTTON, "Vergleich"))
    comparison = find_window(f"Vergleich – {first}")
    compared = wait_until("the output's size and quality", 60, lambda: [
        l for l in descendants(comparison, pyatspi.ROLE_LABEL)
        if re.fullmatch(r"Ausgabe: [0-9]+ KB \([0-9.]+ Bytes\), Qualität 80", l.name or "")])[0]
    print(f"comparison: '{compared.name}'")
    divider = one(comparison, pyatspi.ROLE_SLIDER, "Trennlinie")
    divider.queryValue().currentValue = 250
    wait_until("the divider at 250", 10, lambda: divider.queryValue().currentValue == 250)
    print("comparison: the slider 'Trennlinie' moved to 250")
    start = wait_until("the start button 'Bildgrösse optimieren'", 10, lambda: descendants(
        window, pyatspi.ROLE_PUSH_BUTTON, "Bildgrösse optimieren"))[0]
    press(start)
    hint = answer_message(window, "OK")  # the one-time hint of the very first start
    if not any(t.startswith("HINWEIS:") for t in hint):
        raise Failure(f"expected the one-time hint, got {hint}")
    target = os.path.join(folder, output_of(first))
    wait_until(target, 120, lambda: os.path.exists(target))
    overall = one(window, pyatspi.ROLE_PROGRESS_BAR, "Fortschritt gesamt (Stapelverarbeitung):")
    wait_until("the overall bar at 100", 30,
               lambda: overall.queryValue().currentValue == 100 and state(start, pyatspi.STATE_ENABLED))
    print(f"single run wrote {os.path.basename(target)} ({os.path.getsize(target)} bytes)")

    # A batch run: two entries (the list was re-read and shows the new file).
    file_list = one(window, pyatspi.ROLE_LIST, "Quell-Bild(er)")
    two = [n for n in names if not n.endswith("_new.jpg")][:2]
    mark(file_list, two)
    batch = wait_until("the start button 'Stapelverarbeitung'", 10, lambda: descendants(
        window, pyatspi.ROLE_PUSH_BUTTON, "Stapelverarbeitung"))[0]
    before = {n: os.stat(os.path.join(folder, output_of(n))).st_mtime_ns
              for n in two if os.path.exists(os.path.join(folder, output_of(n)))}
    press(batch)
    wait_until("the batch run's end", 120, lambda: state(batch, pyatspi.STATE_ENABLED) and all(
        os.path.exists(os.path.join(folder, output_of(n))) and
        os.stat(os.path.join(folder, output_of(n))).st_mtime_ns != before.get(n) for n in two))
    for n in two:
        path = os.path.join(folder, output_of(n))
        print(f"batch run wrote {output_of(n)} ({os.path.getsize(path)} bytes)")
    # What a screen reader reads after the run: the count beside the bars
    # and the summary, each a label named by its text.
    count = wait_until("the label '2 von 2'", 30,
                       lambda: descendants(window, pyatspi.ROLE_LABEL, "2 von 2"))[0]
    print(f"count: '{count.name}'")
    summary = wait_until("the summary", 30, lambda: [
        l for l in descendants(window, pyatspi.ROLE_LABEL)
        if re.fullmatch(r"2 geschrieben, 0 übersprungen, 0 fehlgeschlagen – "
                        r"[0-9]+(,[0-9])? [KM]B statt [0-9]+(,[0-9])? [KM]B", l.name or "")])[0]
    print(f"summary: '{summary.name}'")
    press(one(window, pyatspi.ROLE_PUSH_BUTTON, "Zielordner öffnen"))
    log = os.environ["XDG_OPEN_LOG"]
    opened = wait_until("xdg-open with the folder", 30, lambda: os.path.exists(log) and [
        line.strip() for line in open(log, encoding="utf-8") if line.strip()])
    if opened[-1].rstrip("/") != "file://" + folder.rstrip("/"):
        raise Failure(f"'Zielordner öffnen' opened {opened}, not {folder}")
    print(f"Zielordner öffnen: xdg-open {opened[-1]}")

    with open(os.path.join(folder, ".marked"), "w", encoding="utf-8") as f:
        f.write("\n".join(two) + "\n")
    with open(os.path.join(folder, ".outputs"), "w", encoding="utf-8") as f:
        f.write("\n".join(output_of(n) for n in two) + "\n")
    print("PASS")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as e:
        print(f"FAIL: {e}")
        sys.exit(1)
