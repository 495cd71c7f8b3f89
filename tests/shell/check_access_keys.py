#!/usr/bin/env python3
"""Checks the access keys of the program's dialog templates and menus.

    check_access_keys.py FILE.rc...   every dialog: no access key is used twice, and the label in
                                      front of an edit field or combo box carries one; every menu
                                      and submenu: no access key is used twice, except between
                                      labels that the main window's command table fixes as written
    check_access_keys.py selftest     the check reports the faults of a made-up script
Exits 0 when everything holds; prints each fault otherwise."""

import re
import sys

DIALOG = re.compile(r'^\s*(\w+)\s+DIALOG(?:EX)?\b')
# A control line: keyword, then its text in quotes ("" inside is a quote), when it has one.
CONTROL = re.compile(r'^\s*(LTEXT|RTEXT|CTEXT|PUSHBUTTON|DEFPUSHBUTTON|AUTORADIOBUTTON|RADIOBUTTON|'
                     r'AUTOCHECKBOX|CHECKBOX|GROUPBOX|EDITTEXT|COMBOBOX|LISTBOX|CONTROL)\b\s*("(?:[^"]|"")*")?')
FIELDS = ("EDITTEXT", "COMBOBOX")
MENU = re.compile(r'^\s*("?\w+"?)\s+MENU(?:EX)?\s*$')
MENU_ENTRY = re.compile(r'^\s*(POPUP|MENUITEM)\s+"((?:[^"]|"")*)"')
# Labels of the main window's command table, kept as written even where two of them share a key.
FIXED_LABELS = {"&Copy", "&Copy to", "&Paste", "&Properties", "&Preferences", "Im&port Interchange File"}


def access_key(text):
    """The letter after a single '&', lower-cased, or None."""
    i = 0
    while i < len(text) - 1:
        if text[i] == "&":
            if text[i + 1] == "&":
                i += 2
                continue
            return text[i + 1].lower()
        i += 1
    return None


def check(lines, name):
    faults = []
    dialog = None
    keys = {}
    previous = None  # (keyword, text) of the control before
    for number, line in enumerate(lines, 1):
        match = DIALOG.match(line)
        if match:
            dialog, keys, previous = match.group(1), {}, None
            continue
        if dialog is None:
            continue
        if line.strip() == "END":
            dialog = None
            continue
        match = CONTROL.match(line)
        if not match:
            continue
        keyword, text = match.group(1), match.group(2)
        text = text[1:-1].replace('""', '"') if text else None
        where = "%s:%d %s" % (name, number, dialog)
        if text and keyword not in FIELDS:
            key = access_key(text)
            if key:
                if key in keys:
                    faults.append('%s: "%s" and "%s" share the access key %s' % (where, keys[key], text, key))
                else:
                    keys[key] = text
        if keyword in FIELDS and previous and previous[0] == "LTEXT" and previous[1] and not access_key(previous[1]):
            faults.append('%s: the label "%s" of a field has no access key' % (where, previous[1]))
        previous = (keyword, text)
    return faults


def check_menus(lines, name):
    faults = []
    menu = None
    levels = []  # per open BEGIN: {key: label} of the entries at that level
    for number, line in enumerate(lines, 1):
        match = MENU.match(line)
        if match:
            menu, levels = match.group(1), []
            continue
        if menu is None:
            continue
        word = line.strip()
        if word in ("BEGIN", "{"):
            levels.append({})
            continue
        if word in ("END", "}"):
            if levels:
                levels.pop()
            if not levels:
                menu = None
            continue
        match = MENU_ENTRY.match(line)
        if not match or not levels:
            continue
        label = match.group(2).replace('""', '"').split("\\t")[0]
        key = access_key(label)
        if key:
            keys = levels[-1]
            other = keys.get(key)
            if other is None:
                keys[key] = label
            elif not (other in FIXED_LABELS and label in FIXED_LABELS):
                faults.append('%s:%d %s: "%s" and "%s" share the access key %s' % (name, number, menu, other, label, key))
    return faults


def selftest():
    script = """
GOOD DIALOGEX 0, 0, 10, 10
BEGIN
  LTEXT "&Name:", -1, 0, 0, 1, 1
  EDITTEXT 101, 0, 0, 1, 1
  PUSHBUTTON "&Help", 900, 0, 0, 1, 1
  PUSHBUTTON "Save && &Close", 2, 0, 0, 1, 1
END
BAD DIALOGEX 0, 0, 10, 10
BEGIN
  LTEXT "Title:", -1, 0, 0, 1, 1
  EDITTEXT 101, 0, 0, 1, 1
  AUTORADIOBUTTON "&Copy File", 104, 0, 0, 1, 1
  LTEXT "&Category:", -1, 0, 0, 1, 1
  COMBOBOX 102, 0, 0, 1, 1
END
""".splitlines()
    menus = r"""
GOODMENU MENU
BEGIN
  POPUP "&File"
  BEGIN
    MENUITEM "&Copy\tCtrl+C", 1
    MENUITEM "&Copy to\tF8", 2
    POPUP "&New"
    BEGIN
      MENUITEM "&File", 3
    END
    MENUITEM "&Open", 4
  END
  POPUP "&Options"
END
BADMENU MENU
BEGIN
  POPUP ""
  BEGIN
    MENUITEM "&Add...", 1
    MENUITEM SEPARATOR
    MENUITEM "Select &All", 2
  END
END
""".splitlines()
    faults = check(script, "selftest") + check_menus(menus, "selftest")
    expected = ["BAD: the label \"Title:\"", "BAD: \"&Copy File\" and \"&Category:\" share",
                "BADMENU: \"&Add...\" and \"Select &All\" share"]
    ok = len(faults) == 3 and all(any(e in f for f in faults) for e in expected)
    if not ok:
        print("selftest: the check reported %r" % faults)
    return ok


def main(args):
    if args == ["selftest"]:
        return 0 if selftest() else 1
    faults = []
    for path in args:
        with open(path, encoding="latin-1") as f:
            lines = f.read().splitlines()
        faults += check(lines, path) + check_menus(lines, path)
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
