#!/usr/bin/env python3
"""Drives the running program with the keyboard alone (xdotool key, no mouse event at all)
and reads it as a screen reader does (AT-SPI).

usage: keyboard_atspi.py WINDOW-ID MUSIC-FOLDER TREE-DUMP

The music folder holds the sub-folder "Album" and the files eins.wav, zwei.wav, drei.wav;
the program shows it with target MP3. Checks, in this order: the start button's name; Tab
Tab reaches the list; Down picks entry 1 and the list tells of the selection; Down to
eins.wav, Shift+Down adds zwei.wav (names and selected states as AT-SPI gives them); Tab to
the start button and Space run the two; the progress bar has a value during the run; the two
targets appear; Return on "[Album]" enters it. The accessibility tree goes to TREE-DUMP.
"""
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

window, music, dump_path = sys.argv[1], sys.argv[2], sys.argv[3]
TITLE = "Tonquell Audio Converter"
events = []


def fail(message):
    print("keyboard_atspi: " + message, file=sys.stderr)
    sys.exit(1)


def pump(seconds):
    """Lets AT-SPI events arrive for `seconds`."""
    end = time.time() + seconds
    context = GLib.MainContext.default()
    while time.time() < end:
        while context.pending():
            context.iteration(False)
        time.sleep(0.02)


def key(*names):
    subprocess.run(["xdotool", "key", "--window", window, "--delay", "60", *names], check=True)
    pump(0.3)


def title():
    return subprocess.run(["xdotool", "getwindowname", window], capture_output=True,
                          text=True).stdout.strip()


def application():
    for _ in range(100):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == "tonquell":
                return app
        pump(0.1)
    fail("the program is not on the accessibility bus")


def walk(node, depth=0):
    yield node, depth
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def find(app, role, name=None):
    for node, _ in walk(app):
        if node.getRole() == role and (name is None or node.name == name):
            return node
    return None


def focused(app):
    for node, _ in walk(app):
        if node.getState().contains(pyatspi.STATE_FOCUSED):
            return node
    return None


def list_focused(app, listbox):
    """The list or one of its items has the focus."""
    if listbox.getState().contains(pyatspi.STATE_FOCUSED):
        return True
    now = focused(app)
    return now is not None and now.getRole() == pyatspi.ROLE_LIST_ITEM


def entries(listbox):
    out = []
    for i in range(listbox.childCount):
        item = listbox.getChildAtIndex(i)
        out.append((item.name, item.getState().contains(pyatspi.STATE_SELECTED)))
    return out


def describe(node):
    states = [pyatspi.stateToString(s) for s in node.getState().getStates()
              if s in (pyatspi.STATE_FOCUSED, pyatspi.STATE_SELECTED, pyatspi.STATE_CHECKED,
                       pyatspi.STATE_FOCUSABLE, pyatspi.STATE_SHOWING)]
    text = "%s '%s'" % (node.getRoleName(), node.name)
    try:
        value = node.queryValue()
        text += " value=%g [%g..%g]" % (value.currentValue, value.minimumValue,
                                        value.maximumValue)
    except NotImplementedError:
        pass
    if node.description:
        text += " description='%s'" % node.description
    return text + (" {" + ",".join(states) + "}" if states else "")


def on_event(event):
    events.append((event.type, event.source.name if event.source else None,
                   event.source.getRoleName() if event.source else None))


pyatspi.Registry.registerEventListener(on_event, "object:selection-changed",
                                       "object:state-changed:selected",
                                       "object:state-changed:focused",
                                       "object:property-change:accessible-value")
app = application()
start = find(app, pyatspi.ROLE_PUSH_BUTTON, "Konvertierung starten")
if start is None:
    fail("no push button named 'Konvertierung starten'")
# The file list: the one list that is not the drive list's drop-down.
listbox = next((node for node, _ in walk(app) if node.getRole() == pyatspi.ROLE_LIST and
                node.parent.getRole() != pyatspi.ROLE_COMBO_BOX), None)
if listbox is None:
    fail("no list")
names = [n for n, _ in entries(listbox)]
if names != ["[..]", "[Album]", "drei.wav", "eins.wav", "zwei.wav"]:
    fail("the list's items: %s" % names)

# Tab, Tab: the drive list, then the list.
key("Tab", "Tab")
if not list_focused(app, listbox):
    fail("Tab Tab did not reach the list (focus: %s)" % describe(focused(app) or app))
events.clear()
key("Down")
if entries(listbox)[0] != ("[..]", True):
    fail("the first Down did not pick entry 1: %s" % entries(listbox))
selection_events = [e for e in events if "select" in e[0]]
if not selection_events:
    fail("Down gave no selection event: %s" % events)
print("keyboard_atspi: Down gave %d events: %s" % (len(events), events))
key("Down", "Down", "Down")
key("shift+Down")
got = entries(listbox)
if got != [("[..]", False), ("[Album]", False), ("drei.wav", False), ("eins.wav", True),
           ("zwei.wav", True)]:
    fail("after Down and Shift+Down: %s" % got)
if title() != "zwei.wav - " + TITLE:
    fail("title after Shift+Down: %s" % title())

with open(dump_path, "w", encoding="utf-8") as out:
    for node, depth in walk(app):
        out.write("  " * depth + describe(node) + "\n")

# Tab to the start button, which now reads as the batch it starts.
for _ in range(60):
    now = focused(app)
    if now is not None and now.getRole() == pyatspi.ROLE_PUSH_BUTTON and \
            now.name == "Stapelverarbeitung":
        break
    key("Tab")
else:
    fail("Tab never reached the start button")
bar = find(app, pyatspi.ROLE_PROGRESS_BAR)
if bar is None:
    fail("no progress bar")
key("space")
seen_values = []
deadline = time.time() + 120
while time.time() < deadline:
    if bar.getState().contains(pyatspi.STATE_SHOWING):
        seen_values.append(bar.queryValue().currentValue)
    if title() == "2 Dateien konvertiert - " + TITLE:
        break
    pump(0.05)
else:
    fail("the run did not end: %s" % title())
if not seen_values:
    fail("the progress bar never showed during the run")
print("keyboard_atspi: progress values during the run: %s" % sorted(set(seen_values)))
if max(seen_values) <= 0:
    fail("the progress bar's value stayed 0")
for target in ("eins.mp3", "zwei.mp3"):
    if not os.path.isfile(os.path.join(music, target)):
        fail("no target " + target)
if os.path.exists(os.path.join(music, "drei.mp3")):
    fail("drei.wav was converted")

# Back to the list and into the folder: Shift+Tab until the list has the focus again.
for _ in range(60):
    if list_focused(app, listbox):
        break
    key("shift+Tab")
else:
    fail("Shift+Tab never reached the list")
key("Home", "Down")
if entries(listbox)[1] != ("[Album]", True):
    fail("Home Down: %s" % entries(listbox))
key("Return")
pump(0.5)
names = [n for n, _ in entries(listbox)]
if names != ["[..]", "lied.wav"]:
    fail("Return on [Album] shows %s" % names)
key("BackSpace")
names = [n for n, _ in entries(listbox)]
if "[Album]" not in names:
    fail("Backspace did not go back up: %s" % names)
print("keyboard_atspi: ok")
