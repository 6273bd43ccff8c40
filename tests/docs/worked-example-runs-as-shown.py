#!/usr/bin/python3
"""The publishing guide's worked example prints what the guide shows.

Runs each "$ vemo ..." line of the guide's console blocks, in a fresh folder holding the
example's SVG files (docs/examples), with the vemo program given, and compares what it prints
(standard output and error) with the lines the guide shows after it, up to the next command.

    worked-example-runs-as-shown.py ROOT VEMO    exit 0 when every command prints as shown
"""
import difflib
import pathlib
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(sys.argv[1])
VEMO = sys.argv[2]
GUIDE = ROOT / "docs/publishing.md"


def Commands(text):
    """(command words, the lines shown after it) for every "$ vemo" line of console blocks."""
    out = []
    for block in re.findall(r"```console\n(.*?)```", text, re.S):
        for line in block.splitlines():
            if line.startswith("$ "):
                out.append((shlex.split(line[2:]), []))
            elif out:
                out[-1][1].append(line)
    return [(words, shown) for words, shown in out if words[0] == "vemo"]


def main():
    commands = Commands(GUIDE.read_text(encoding="utf-8"))
    if not commands:
        print("no vemo commands in %s: has the guide changed?" % GUIDE)
        return 1
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        for svg in (ROOT / "docs/examples").glob("*.svg"):
            shutil.copy(svg, folder)
        for words, shown in commands:
            run = subprocess.run([VEMO] + words[1:], cwd=folder, capture_output=True, text=True)
            printed = (run.stdout + run.stderr).splitlines()
            if printed != shown or run.returncode != 0:
                failures += 1
                print("$ %s (exit code %d)" % (" ".join(words), run.returncode))
                print("\n".join(difflib.unified_diff(shown, printed, "the guide", "vemo",
                                                     lineterm="")))
    print("%d commands run, %d print other than the guide shows" % (len(commands), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
