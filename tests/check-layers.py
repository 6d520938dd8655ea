#!/usr/bin/env python3
"""check-layers.py [ROOT]: every source file of the two programs includes headers only from its own folder
or from the folders it stands on, so each folder stays one library that links downward. Includes name the
header from the program's folder ("formats/BmpDecoder.h"), never bare.

The layers, lowest first, are the LAYERS table below. A folder may include from the folders listed after
it as its foundations; anything else (a folder above it, a sibling, the other program) is reported with the
file, the line and the header, and so is a RESTRICTED header included outside the folders named for it. Portable folders must not include <windows.h> from a header: their headers
are compiled on the host too. Exit status 1 when anything is reported.
"""
import os
import re
import sys

# folder -> the folders it may include from (besides itself). Folders not named here are not checked
# (tests, tools and resources include whatever they need).
LAYERS = {
    "shopping/catalogue": [],
    # The program's operations on typed values; the windows above it name no statement or column.
    "shopping/model": ["shopping/catalogue"],
    "shopping/forms": ["shopping/model", "shopping/catalogue"],
    "shopping/products": ["shopping/forms", "shopping/model", "shopping/catalogue"],
    # The assembly window opens the registration window, so lists stand on products.
    "shopping/lists": ["shopping/products", "shopping/forms", "shopping/model", "shopping/catalogue"],
    "shopping/update": ["shopping/forms", "shopping/model", "shopping/catalogue"],
    "shopping/app": ["shopping/lists", "shopping/update", "shopping/products", "shopping/forms",
                     "shopping/model", "shopping/catalogue"],
    "imageshell/pipeline": [],
    "imageshell/formats": ["imageshell/pipeline"],
    "imageshell/image": ["imageshell/formats", "imageshell/pipeline"],
    "imageshell/shell": ["imageshell/image", "imageshell/formats", "imageshell/pipeline"],
    # The viewer's popup menu prints and sets wallpaper through the shell's operations.
    "imageshell/viewer": ["imageshell/shell", "imageshell/image", "imageshell/formats", "imageshell/pipeline"],
    # The module: the COM server, its menu and the exports, over the viewer and the operations.
    "imageshell/module": ["imageshell/viewer", "imageshell/shell", "imageshell/image", "imageshell/formats",
                          "imageshell/pipeline"],
}
# Headers only some folders may include although others stand on their floor: mercanota's windows ask
# the model for operations and never name a statement themselves.
RESTRICTED = {
    "shopping/catalogue/Statements.h": ["shopping/catalogue", "shopping/model"],
    "shopping/catalogue/SqlTranslation.h": ["shopping/catalogue"],
}
# Identifiers of resources are shared by whoever shows them.
ANYONE_MAY_INCLUDE = ["shopping/resources", "imageshell/resources"]
# Folders whose headers the host build compiles.
PORTABLE = ["shopping/catalogue", "shopping/model", "imageshell/pipeline", "imageshell/formats", "imageshell/image"]

SOURCE_ENDINGS = (".h", ".hpp", ".c", ".cpp", ".inc", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def source_files(root):
    for top in ("shopping", "imageshell"):
        for folder, _, names in os.walk(os.path.join(root, top)):
            for name in names:
                if name.endswith(SOURCE_ENDINGS):
                    yield os.path.relpath(os.path.join(folder, name), root)


def folder_of(path):
    """The checked folder a file belongs to: the longest LAYERS (or resources) key that contains it."""
    best = None
    for key in list(LAYERS) + ANYONE_MAY_INCLUDE:
        if path.startswith(key + "/") and (best is None or len(key) > len(best)):
            best = key
    return best


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    files = sorted(source_files(root))

    problems = []
    for f in files:
        own = folder_of(f)
        if own is None:
            # A new folder has to find its place in the table before it holds code.
            problems.append(f"{f}: its folder is not one of the layers")
            continue
        if own in ANYONE_MAY_INCLUDE:
            continue
        allowed = set([own] + LAYERS[own] + ANYONE_MAY_INCLUDE)
        with open(os.path.join(root, f), encoding="utf-8", errors="replace") as text:
            for number, line in enumerate(text, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                kind, header = m.groups()
                if kind == "<":
                    if header.lower() == "windows.h" and f.endswith((".h", ".hpp")) and own in PORTABLE:
                        problems.append(f"{f}:{number}: portable header includes <windows.h>")
                    continue
                # Headers are named from the program's folder ("pipeline/ImageDecoder.h"), so an include
                # shows which floor it reaches; only the resources' own files include beside themselves.
                program = f.split("/")[0]
                if "/" not in header:
                    beside = os.path.normpath(os.path.join(os.path.dirname(f), header))
                    if os.path.exists(os.path.join(root, beside)):
                        problems.append(f"{f}:{number}: includes {header} without its floor")
                    continue
                target = os.path.normpath(os.path.join(program, header))
                targets = [target] if os.path.exists(os.path.join(root, target)) else []
                for target in targets[:1]:
                    theirs = folder_of(target)
                    if theirs is not None and theirs not in allowed:
                        problems.append(f"{f}:{number}: includes {header} from {theirs}, "
                                        f"which {own} does not stand on")
                    elif own not in RESTRICTED.get(target, [own]):
                        problems.append(f"{f}:{number}: includes {header}, which only "
                                        f"{', '.join(RESTRICTED[target])} may")

    for p in problems:
        print(p)
    print(f"layers: {len(files)} files read, {len(problems)} out of place")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
