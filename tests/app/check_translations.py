#!/usr/bin/env python3
"""Checks the English translation against the sources.

Runs lupdate over the window's sources into a copy of the .ts file and fails when a
text of the sources has no finished translation, when the file holds a text the sources
no longer have, or when a translation's placeholders (%1, %02d, ...) or shortcut mark
(&) differ from its source's.

usage: check_translations.py LUPDATE SOURCE_DIR TS_FILE
"""
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path

PLACEHOLDER = re.compile(r"%(?:\d+|0?\d*[dus])")


def messages(path):
    found = {}
    for context in ET.parse(path).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            translation = message.find("translation")
            found[(name, message.findtext("source"))] = (
                translation.text or "",
                translation.get("type"),
            )
    return found


def main():
    lupdate, source_dir, ts_file = sys.argv[1], Path(sys.argv[2]), Path(sys.argv[3])
    faults = []
    with tempfile.TemporaryDirectory() as scratch:
        updated = Path(scratch) / ts_file.name
        shutil.copy(ts_file, updated)
        sources = [str(source_dir / d) for d in ("app", "pages", "ui")]
        sources.append(str(source_dir / "dialup" / "DialupConnection.cpp"))
        subprocess.run(
            [lupdate, "-silent", "-extensions", "cpp,h", "-locations", "none",
             "-no-obsolete", "-tr-function-alias", "QT_TRANSLATE_NOOP+=VELTRO_TRANSLATABLE",
             *sources, "-ts", str(updated)],
            check=True)
        kept, current = messages(ts_file), messages(updated)
    for key in sorted(current.keys() - kept.keys()):
        faults.append(f"not translated: {key}")
    for key in sorted(kept.keys() - current.keys()):
        faults.append(f"no longer in the sources: {key}")
    for (context, source), (text, kind) in sorted(current.items()):
        if kind is not None or not text:
            faults.append(f"unfinished: {context}: {source!r}")
            continue
        if sorted(PLACEHOLDER.findall(source)) != sorted(PLACEHOLDER.findall(text)):
            faults.append(f"placeholders differ: {context}: {source!r} -> {text!r}")
        if source.count("&") != text.count("&"):
            faults.append(f"shortcut marks differ: {context}: {source!r} -> {text!r}")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} fault(s); after changing texts run "
              "`cmake --build build --target update_translations` and translate")
        return 1
    print(f"{len(current)} texts translated")
    return 0


if __name__ == "__main__":
    sys.exit(main())
