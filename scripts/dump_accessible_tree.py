#!/usr/bin/env python3
"""Prints the accessible tree of the running program as the desktop's
accessibility bus (AT-SPI) shows it to a screen reader: each object's role,
name and description, a bar's value, a text's contents and the label a
control is labelled by. Lists show their first rows only.

    python3 scripts/dump_accessible_tree.py [APPLICATION-NAME-PART]
"""
import sys
import time

import pyatspi

ROWS_SHOWN = 3


def describe(node):
    parts = [f"[{node.getRoleName()}]", repr(node.name)]
    if node.description:
        parts.append(f"description={node.description!r}")
    try:
        value = node.queryValue()
        parts.append(f"value={value.currentValue:g} (min {value.minimumValue:g}, "
                     f"max {value.maximumValue:g})")
    except NotImplementedError:
        pass
    try:
        text = node.queryText()
        contents = text.getText(0, -1)
        if contents and contents != node.name:
            parts.append(f"text={contents!r}")
    except NotImplementedError:
        pass
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            labels = [relation.getTarget(i).name for i in range(relation.getNTargets())]
            parts.append(f"labelled-by={labels!r}")
    return " ".join(parts)


def dump(node, depth=0):
    print("  " * depth + describe(node))
    rows = 0
    for child in node:
        if child is None:
            continue
        if child.getRole() in (pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_LIST_ITEM,
                               pyatspi.ROLE_TREE_ITEM):
            rows += 1
            if rows > ROWS_SHOWN:
                continue
        dump(child, depth + 1)
    if rows > ROWS_SHOWN:
        print("  " * (depth + 1) + f"... {rows - ROWS_SHOWN} more rows")


def main():
    wanted = (sys.argv[1] if len(sys.argv) > 1 else "vox").lower()
    for _ in range(100):
        desktop = pyatspi.Registry.getDesktop(0)
        apps = [app for app in desktop if app is not None and wanted in (app.name or "").lower()]
        if apps:
            # The recorder's listing (and with it the memory bar) follows the
            # window by a moment.
            for _ in range(50):
                if any(pyatspi.findDescendant(app, lambda n: n.name == "Memory use")
                       for app in apps):
                    break
                time.sleep(0.2)
            for app in apps:
                dump(app)
            return 0
        time.sleep(0.2)
    names = [app.name for app in pyatspi.Registry.getDesktop(0) if app is not None]
    print(f"no application named like {wanted!r} on the accessibility bus, only {names!r}",
          file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
