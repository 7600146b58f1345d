#!/usr/bin/env python3
"""Checks that the includes between the folders of src/ point down the layers.

services/core        includes nothing of the program's own
services/*           services only
data                 services
ui                   services, data
accounts,            services, data, ui
attribution
contacts             the above and attribution
transfer             the above and contacts
app                  anything under src/
src/*.cpp            anything (the executables' main functions)

Prints every include that points up or sideways and exits 1 when there is one.
"""

import pathlib
import re
import subprocess
import sys

SERVICES = {"services/core", "services"}
BELOW = {
    "services/core": set(),
    "services": SERVICES,
    "data": SERVICES,
    "ui": SERVICES | {"data"},
    "accounts": SERVICES | {"data", "ui"},
    "attribution": SERVICES | {"data", "ui"},
    "contacts": SERVICES | {"data", "ui", "attribution"},
    "transfer": SERVICES | {"data", "ui", "attribution", "contacts"},
    "app": SERVICES | {"data", "ui", "accounts", "attribution", "contacts", "transfer"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def layer(path):
    """The layer of a path under src/ ("services/core", "services", "ui", ...); None for src/ itself."""
    parts = pathlib.PurePosixPath(path).parts
    if len(parts) < 2:
        return None
    if parts[0] == "services":
        return "services/core" if parts[1] == "core" else "services"
    return parts[0]


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    files = subprocess.run(["git", "ls-files", "--", "src/*.cpp", "src/*.h", "src/*.cpp.in"], cwd=root,
                           capture_output=True, text=True, check=True).stdout.split()
    faults = 0
    for name in files:
        source = pathlib.PurePosixPath(name).relative_to("src")
        own = layer(source)
        if own is None:
            continue
        for number, line in enumerate((root / name).read_text(encoding="utf-8").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            target = match.group(1)
            if "/" not in target:
                continue  # a file beside this one
            other = layer(target)
            if other is None or other == own:
                continue
            if other not in BELOW.get(own, set()):
                print(f"{name}:{number}: {own} must not include {target} ({other})")
                faults += 1
    if faults:
        print(f"check_layers.py: {faults} include(s) point up or sideways; see docs/ARCHITECTURE.md", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
