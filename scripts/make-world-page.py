#!/usr/bin/python3
"""Makes the world map example: a page that embeds the world map, each country linked to a
small page of its own.

    make-world-page.py WORLD.svg FOLDER

WORLD.svg is world.svg of the npm package @svg-maps/world (the world map of mapsvg.com,
packaged by Victor Cazanave; CC BY 4.0). Writes into FOLDER: world-linked.svg (the map with an ocean, colours and every
country wrapped in a link to countries/ID.html), world.html (the page, with the attribution)
and countries/ID.html. Converting world-linked.svg to world.vem is left to `vemo convert`.
"""
import html
import os
import re
import sys
import xml.etree.ElementTree as ET

SVG = "http://www.w3.org/2000/svg"
PALETTE = ["#e9c46a", "#a8c686", "#f4a261", "#c9b6e4", "#8ecae6", "#e5989b", "#b5c99a"]


def colour(ident):
    return PALETTE[sum(ord(c) * (i + 1) for i, c in enumerate(ident)) % len(PALETTE)]


def main():
    if len(sys.argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    source, folder = sys.argv[1], sys.argv[2]
    tree = ET.parse(source)
    root = tree.getroot()
    view = root.get("viewBox", "0 0 1010 666").split()
    x, y, w, h = (float(v) for v in view)
    countries = []
    for path in root.iter("{%s}path" % SVG):
        ident = re.sub(r"[^a-z0-9-]", "", (path.get("id") or "").lower())
        name = path.get("aria-label") or ident
        if ident:
            countries.append((ident, name, path.get("d")))
    os.makedirs(os.path.join(folder, "countries"), exist_ok=True)

    out = ['<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" '
           'viewBox="%s" width="%g" height="%g">' % (" ".join(view), w, h),
           '<rect x="%g" y="%g" width="%g" height="%g" fill="#dbeaf5"/>' % (x, y, w, h)]
    for ident, name, d in countries:
        out.append('<a xlink:href="countries/%s.html"><path d="%s" fill="%s" stroke="#ffffff" '
                   'stroke-width="0.4" stroke-linejoin="round"><title>%s</title></path></a>'
                   % (ident, d, colour(ident), html.escape(name)))
    out.append("</svg>")
    with open(os.path.join(folder, "world-linked.svg"), "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")

    for ident, name, _ in countries:
        with open(os.path.join(folder, "countries", ident + ".html"), "w", encoding="ascii",
                  errors="xmlcharrefreplace") as f:
            f.write('<!DOCTYPE html>\n<html>\n<head>\n<meta charset="windows-1252">\n'
                    "<title>%s</title>\n</head>\n<body>\n<h1>%s</h1>\n"
                    "<p>Country code: %s.</p>\n"
                    '<p><a href="../world.html">Back to the world map</a></p>\n</body>\n</html>\n'
                    % (html.escape(name), html.escape(name), ident.upper()))

    with open(os.path.join(folder, "world.html"), "w", encoding="ascii") as f:
        f.write('<!DOCTYPE html>\n<html>\n<head>\n<meta charset="windows-1252">\n'
                "<title>World map</title>\n</head>\n<body>\n<h1>World map</h1>\n"
                "<p>Click a country to read about it. Drag a frame to zoom in.</p>\n"
                '<embed src="world.vem" type="application/vnd.vemo" width="660" height="436" '
                'zoompan="TRUE">\n'
                "<p><small>Map: the world map of https://mapsvg.com/maps/world as packaged in "
                "@svg-maps/world by Victor Cazanave, licensed under CC BY 4.0 "
                "(https://creativecommons.org/licenses/by/4.0/); colours and links added and "
                "converted to the Vemo format.</small></p>\n</body>\n</html>\n")
    print("world page: %d countries in %s" % (len(countries), folder))
    return 0


if __name__ == "__main__":
    sys.exit(main())
