#!/usr/bin/python3
"""The guides quote every text the product shows, and show the pictures they name.

The texts are read from the product's own sources, so the check follows the product: the
plug-in's string table, dialog and menu texts (resources/*.rc), the texts its code hands to
message boxes, window texts and the status line, the save dialog's filters, the installer's
messages and titles, the warning's registry values; the MIME types, file extensions and embed
attributes the plug-in registers and reads. Each must appear in its guide byte for byte: the
resource scripts' cp1252 bytes as the Unicode characters they are (0x92 is U+2019), "&" marks
removed as the dialogs show them, a line break of the guide's source counting as one blank.

    guides-quote-every-text.py ROOT     exit 0 when every text is there, 1 with the missing ones
"""
import pathlib
import re
import struct
import sys

ROOT = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
PUBLISHING = "docs/publishing.md"
USING = "docs/using.md"
MAX_IMAGE_BYTES = 64 * 1024  # "a few tens of KB"

# ---- C and resource-script string literals ----------------------------------------------------

LITERAL = r'"(?:[^"\\\n]|\\.)*"'
SIMPLE_ESCAPES = {"n": "\n", "t": "\t", "r": "\r", "0": "\0", "\\": "\\", '"': '"', "'": "'"}


def Decode(literal):
    """The text of one literal (with its quotes), bytes taken as cp1252."""
    body = literal[1:-1]
    out = bytearray()
    i = 0
    while i < len(body):
        c = body[i]
        if c == "\\" and i + 1 < len(body):
            e = body[i + 1]
            if e == "x":
                digits = re.match(r"[0-9a-fA-F]{1,2}", body[i + 2:]).group(0)
                out.append(int(digits, 16))
                i += 2 + len(digits)
                continue
            out += SIMPLE_ESCAPES.get(e, e).encode("cp1252")
            i += 2
            continue
        if c == '"' and body[i + 1:i + 2] == '"':  # "" inside a resource-script string
            out += b'"'
            i += 2
            continue
        out += c.encode("cp1252")
        i += 1
    return out.decode("cp1252")


def Literals(text):
    """Adjacent literals joined, as the compilers do."""
    return [Decode(m) for m in re.findall(LITERAL, text)]


def Shown(text):
    """A dialog or menu text as the reader sees it: "&" marks removed, one text per line."""
    text = re.sub(r"&(.)", r"\1", text)
    return [line for line in text.split("\n") if line.strip()]


def Read(path):
    return (ROOT / path).read_text(encoding="ascii")


def SourceFiles(*folders):
    for folder in folders:
        for path in sorted((ROOT / folder).rglob("*")):
            if path.suffix in (".cpp", ".h"):
                yield path.relative_to(ROOT)


# ---- What the product shows -------------------------------------------------------------------

def StringTable(rc):
    """(id, text) of every STRINGTABLE entry of a resource script."""
    out = []
    for block in re.findall(r"STRINGTABLE\s*BEGIN(.*?)\bEND\b", Read(rc), re.S):
        for number, literal in re.findall(r"^\s*(\d+)\s+(" + LITERAL + ")", block, re.M):
            out.append(("string %s" % number, Decode(literal)))
    return out


DIALOG_STATEMENTS = r"\b(CAPTION|LTEXT|RTEXT|CTEXT|PUSHBUTTON|DEFPUSHBUTTON|AUTOCHECKBOX|CHECKBOX|" \
                    r"AUTORADIOBUTTON|RADIOBUTTON|GROUPBOX|MENUITEM)\s+(" + LITERAL + r"(?:\s*" + \
                    LITERAL + r")*)"


def DialogAndMenuTexts(rc):
    """Captions, control texts and menu items of a resource script (a popup's own caption is
    never shown and is left out)."""
    out = []
    text = re.sub(r"//[^\n]*", "", Read(rc))
    for statement, literals in re.findall(DIALOG_STATEMENTS, text):
        for shown in Shown("".join(Literals(literals))):
            out.append(("%s %s" % (rc, statement.lower()), shown))
    return out


def Constants(files):
    """Named string constants of the given sources: name -> text."""
    out = {}
    for path in files:
        for name, literals in re.findall(
                r"\b(k\w+)(?:\[\])?\s*=\s*(" + LITERAL + r"(?:\s*" + LITERAL + r")*)", Read(path)):
            out[name] = "".join(Literals(literals))
    return out


# Calls whose text arguments reach the screen, and the assignments that name a title.
SHOWN_CALLS = r"\b(MessageBoxA|ShowSetupMessage|SetWindowTextA|SetDlgItemTextA)\s*\(([^;]*)\)\s*;"
SHOWN_FIELDS = r"\b(lpszTitle|lpstrTitle)\s*=\s*([^;]*);"


def CodeTexts(*folders):
    """Texts handed to message boxes, window texts and titles, as literals or named constants."""
    files = list(SourceFiles(*folders))
    constants = Constants(files)
    out = []
    for path in files:
        text = re.sub(r"//[^\n]*", "", Read(path))
        for call, arguments in re.findall(SHOWN_CALLS, text) + re.findall(SHOWN_FIELDS, text):
            for literal in re.findall(LITERAL, arguments):
                out.append(("%s %s" % (path, call), Decode(literal)))
            for name in re.findall(r"\b(k\w+)\b", arguments):
                if name in constants:
                    out.append(("%s %s" % (path, call), constants[name]))
    unique = []
    for where, t in out:
        if t and t not in [u for _, u in unique]:
            unique.append((where, t))
    return unique


def StatusTexts():
    """The status-line formats, each as a pattern of its filled-in form, and the menu hint."""
    constants = Constants(["interaction/StatusText.cpp"])
    text = Read("interaction/StatusText.cpp")
    table = re.search(r"kFormats\[[^=]*=\s*\{(.*?)\};", text, re.S).group(1)
    out = [("status line", constants["kMenuHint"])]
    for f in Literals(table):
        if f.replace("%s", "").strip():
            out.append(("status line format", f))
    return out


def FormatPattern(f):
    """"%s" any text, "%d" a number, "%%" a percent sign; everything else as written."""
    parts = re.split(r"(%s|%d|%%)", f)
    convert = {"%s": r".+?", "%d": r"-?\d+", "%%": "%"}
    return "".join(convert.get(p, re.escape(p)) for p in parts)


def SaveFilters():
    """The descriptions of the save dialog's file types (every other text of a filter)."""
    out = []
    for name, value in Constants(["interaction/SaveAndAbout.cpp"]).items():
        if name.endswith("Filter"):
            out += [("save filter", d) for d in value.split("\0")[0::2] if d]
    return out


def RegistryNames():
    """The warning's registry key and value names."""
    out = []
    for path in SourceFiles("warnings"):
        text = Read(path)
        out += [("registry key", Decode(m)) for m in re.findall(r'"Software\\\\[^"]*"', text)]
        out += [("registry value", v) for v in re.findall(r'\{\s*k\w+\s*,\s*"(\w+)"\s*\}', text)]
    return out


def VersionValue(name):
    m = re.search(r'VALUE\s+"%s"\s*,\s*(%s)' % (name, LITERAL), Read("resources/NPVemoC.rc"))
    return Decode(m.group(1))


def Registration():
    """MIME types and file extensions from the plug-in's version block."""
    out = [("MIME type", t) for t in VersionValue("MIMEType").split("|")]
    extensions = set(re.split(r"[|,]", VersionValue("FileExtents")))
    out += [("file extension", "." + e.lstrip(".")) for e in sorted(extensions)]
    return out


def Attributes():
    """Embed attribute names the plug-in compares with."""
    names = []
    for path in SourceFiles("plugin"):
        names += re.findall(r'EqualsIgnoringCase\(\s*name\s*,\s*"(\w+)"\s*\)', Read(path))
    return sorted(set(names))


# ---- The checks -------------------------------------------------------------------------------

def Guide(path):
    """The guide's text with each line break (and the indentation after it) as one blank."""
    return re.sub(r"[ \t]*\n[ \t]*", " ", (ROOT / path).read_text(encoding="utf-8"))


def Sections(path):
    """Heading -> the text under it, up to the next heading of the same or a higher level."""
    lines = (ROOT / path).read_text(encoding="utf-8").split("\n")
    out = {}
    for i, line in enumerate(lines):
        m = re.match(r"(#+) (.*)", line)
        if not m:
            continue
        body = []
        for later in lines[i + 1:]:
            n = re.match(r"(#+) ", later)
            if n and len(n.group(1)) <= len(m.group(1)):
                break
            body.append(later)
        out[m.group(2)] = "\n".join(body)
    return out


def PngSize(path):
    data = path.read_bytes()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", data[16:24])


def main():
    failures = []
    # Every source of texts must yield some: a pattern that stopped matching fails here rather
    # than passing an empty list.
    texts = {
        "string table": StringTable("resources/NPVemoC.rc"),
        "plug-in dialogs and menu": DialogAndMenuTexts("resources/dialogs.rc") +
                                    DialogAndMenuTexts("resources/menu.rc"),
        "installer dialog": DialogAndMenuTexts("resources/setup.rc"),
        "plug-in code": CodeTexts("plugin", "view", "interaction", "warnings"),
        "installer code": CodeTexts("setup"),
        "save dialog": SaveFilters(),
        "warning registry": RegistryNames(),
    }
    for source, found in texts.items():
        if not found:
            failures.append("no texts read from the %s: has its source changed?" % source)
    using = Guide(USING)
    for source, found in texts.items():
        for where, text in found:
            if text not in using:
                failures.append("%s: %r (%s) is not in %s" % (source, text, where, USING))
    for where, f in StatusTexts():
        if not re.search(FormatPattern(f), using):
            failures.append("status line: %r (%s) is not in %s" % (f, where, USING))

    publishing = Guide(PUBLISHING)
    for where, text in Registration():
        if text not in publishing:
            failures.append("%s %r is not in %s" % (where, text, PUBLISHING))
    attributes = Attributes()
    if not attributes:
        failures.append("no embed attributes read from plugin/: has the source changed?")
    sections = Sections(PUBLISHING)
    for name in attributes:
        heading = [h for h in sections if re.search(r"`%s`" % name, h, re.I)]
        if not heading:
            failures.append("attribute %r has no heading in %s" % (name, PUBLISHING))
        elif not re.search(r"!\[[^\]]*\]\(images/", sections[heading[0]]):
            failures.append("attribute %r has no picture in %s" % (name, PUBLISHING))

    # Pictures: every one named exists, is a PNG and is small; every one in the folder is named.
    named = set()
    for doc in [PUBLISHING, USING, "README.md"]:
        for target in re.findall(r"!\[[^\]]*\]\(([^)\s]+)\)", (ROOT / doc).read_text("utf-8")):
            path = ((ROOT / doc).parent / target).resolve()
            named.add(path)
            if doc == "README.md":
                continue
            if not path.exists():
                failures.append("%s names %s, which does not exist" % (doc, target))
            elif PngSize(path) is None:
                failures.append("%s names %s, which is not a PNG" % (doc, target))
            elif path.stat().st_size > MAX_IMAGE_BYTES:
                failures.append("%s: %s has %d bytes, more than %d" %
                                (doc, target, path.stat().st_size, MAX_IMAGE_BYTES))
    for path in sorted((ROOT / "docs/images").glob("*.png")):
        if path.resolve() not in named:
            failures.append("docs/images/%s is named by no guide" % path.name)

    for f in failures:
        print(f)
    count = sum(len(found) for found in texts.values()) + len(StatusTexts()) + \
        len(Registration()) + len(attributes)
    print("%d texts and attributes checked, %d missing or wrong" % (count, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
