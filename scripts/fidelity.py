#!/usr/bin/python3
"""Fidelity of `vemo convert` + `vemo render` against rsvg-convert over the fixed corpus.

Each file of tests/authoring/corpus.txt is rendered twice at the same width, on white:
rsvg-convert straight from the SVG (the reference), and vemo convert then vemo render. The
two images are compared with PSNR and SSIM (scikit-image) over the RGB channels. Prints a
table (file, what the converter dropped or approximated, PSNR, SSIM, note) and a summary:
the median PSNR, the share of files at >= 30 dB and SSIM >= 0.98, and every file below that
with its reason.

A file whose reference does not render is left out of the figures (and listed). A file that
does not convert, or whose two images differ in size by more than a pixel, counts as failed.

Exit codes: 0 done (with --check: the thresholds hold), 1 --check and a threshold fails,
2 wrong command line, 77 a tool or the corpus is missing (the test is then skipped).
"""
import argparse
import concurrent.futures
import math
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SKIP = 77
MEDIAN_PSNR = 40.0
GOOD_PSNR = 30.0
GOOD_SSIM = 0.98
GOOD_SHARE = 0.95
PSNR_IDENTICAL = 99.0  # the figure used for identical images (PSNR is infinite)
TIMEOUT = 10  # seconds, each of convert, render and rsvg-convert


def sources(corpus_dir):
    return {
        "openclipart": "/usr/share/openclipart/svg",
        "simple-icons": os.path.join(corpus_dir, "node_modules/simple-icons/icons"),
        "mdi": os.path.join(corpus_dir, "node_modules/@mdi/svg/svg"),
        "svg-maps": os.path.join(corpus_dir, "node_modules/@svg-maps/world"),
    }


def read_list(path, subset):
    entries = []
    with open(path, encoding="ascii") as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            words = line.split()
            if subset and "subset" not in words[1:]:
                continue
            entries.append(words[0])
    return entries


def run(args):
    """(exit code, stdout, stderr, seconds); exit code None on a time-out."""
    start = time.monotonic()
    try:
        p = subprocess.run(args, capture_output=True, text=True, timeout=TIMEOUT)
        return p.returncode, p.stdout, p.stderr, time.monotonic() - start
    except subprocess.TimeoutExpired:
        return None, "", "timed out after %d s" % TIMEOUT, time.monotonic() - start


def first_line(text):
    text = text.strip()
    return text.splitlines()[0] if text else ""


def load_rgb(path):
    from PIL import Image
    import numpy

    with Image.open(path) as im:
        return numpy.asarray(im.convert("RGB"))


def compare(a, b):
    import numpy
    from skimage.metrics import structural_similarity

    h = min(a.shape[0], b.shape[0])
    w = min(a.shape[1], b.shape[1])
    a = a[:h, :w].astype(numpy.float64)
    b = b[:h, :w].astype(numpy.float64)
    mse = float(numpy.mean((a - b) ** 2))
    psnr = PSNR_IDENTICAL if mse == 0 else min(PSNR_IDENTICAL, 10 * math.log10(255.0**2 / mse))
    side = min(h, w)
    win = 7 if side >= 7 else (side if side % 2 else side - 1)
    if win < 3:
        ssim = 1.0 if mse == 0 else 0.0
    else:
        ssim = float(structural_similarity(a, b, channel_axis=2, data_range=255, win_size=win))
    return psnr, ssim


def measure(entry, roots, vemo, width, work):
    source, _, rel = entry.partition("/")
    svg = os.path.join(roots[source], rel)
    stem = os.path.join(work, entry.replace("/", "__"))
    result = {"file": entry, "dropped": "", "psnr": None, "ssim": None, "note": "",
              "reference": True, "convert_s": 0.0}
    if not os.path.exists(svg):
        result.update(reference=False, note="missing: " + svg)
        return result
    result["features"] = features(svg)
    code, out, err, _ = run(["rsvg-convert", "-w", str(width), "-b", "white", "-f", "png",
                             "-o", stem + ".rsvg.png", svg])
    if code != 0:
        result.update(reference=False, note="rsvg-convert failed: " + first_line(err))
        return result
    code, out, err, seconds = run([vemo, "convert", svg, stem + ".vem"])
    result["convert_s"] = seconds
    report = first_line(out)
    if report.startswith(svg + ": "):
        report = report[len(svg) + 2:]
    result["dropped"] = report
    if code != 0:
        result["note"] = "convert failed: " + (first_line(err).split(": ", 2)[-1] or "exit %s" % code)
        result.update(psnr=0.0, ssim=0.0)
        return result
    code, out, err, _ = run([vemo, "render", stem + ".vem", stem + ".vemo.png",
                             "--width", str(width)])
    if code != 0:
        result["note"] = "render failed: " + first_line(err)
        result.update(psnr=0.0, ssim=0.0)
        return result
    # The plug-in centres the drawing's view in the image; when the view's height is not a whole
    # number of pixels, the reference is drawn centred on a page of the same size too, so that
    # the two pictures are compared at the same place rather than half a pixel apart.
    code, out, err, _ = run([vemo, "info", stem + ".vem"])
    m = re.search(r"default view: (-?\d+) (-?\d+) (-?\d+) (-?\d+) keep-aspect", out)
    if code == 0 and m:
        x0, y0, x1, y1 = (int(v) for v in m.groups())
        exact = width * (y1 - y0) / (x1 - x0)
        height = -(-width * (y1 - y0) // (x1 - x0))
        if height - exact > 1e-6:
            run(["rsvg-convert", "-w", str(width), "--page-width", str(width),
                 "--page-height", str(height), "--top", "%.6f" % ((height - exact) / 2),
                 "-b", "white", "-f", "png", "-o", stem + ".rsvg.png", svg])
    ref = load_rgb(stem + ".rsvg.png")
    got = load_rgb(stem + ".vemo.png")
    result["psnr"], result["ssim"] = compare(ref, got)
    if ref.shape != got.shape:
        size = "size %dx%d, reference %dx%d" % (got.shape[1], got.shape[0], ref.shape[1], ref.shape[0])
        if abs(ref.shape[0] - got.shape[0]) > 1 or abs(ref.shape[1] - got.shape[1]) > 1:
            result.update(psnr=0.0, ssim=0.0, note=size)
        else:
            result["note"] = size + " (compared over the common area)"
    return result


def good(r):
    return r["psnr"] is not None and r["psnr"] >= GOOD_PSNR and r["ssim"] >= GOOD_SSIM


def kinds(report):
    """{kind: count} from "dropped: filter 2, mask 1; approximated: group opacity 3"."""
    counts = {}
    for part in report.split(";"):
        part = part.strip()
        title, _, items = part.partition(":")
        for item in items.split(","):
            m = re.match(r"\s*(.+?)\s+(\d+)\s*$", item)
            if m:
                key = title.strip() + " " + m.group(1)
                counts[key] = counts.get(key, 0) + int(m.group(2))
    return counts


FEATURES = re.compile(r"<(?:\w+:)?(linearGradient|radialGradient|pattern|filter|mask|clipPath|image|"
                      r"text|marker|use)\b|(stroke-dasharray)\s*[:=]\s*[\"']?\s*[0-9.]")


def features(svg):
    """What the SVG file uses that is hard to convert: "linearGradient 30, text 2"."""
    try:
        with open(svg, encoding="utf-8", errors="replace") as f:
            text = f.read()
    except OSError:
        return ""
    counts = {}
    for m in FEATURES.finditer(text):
        key = m.group(1) or m.group(2)
        counts[key] = counts.get(key, 0) + 1
    return ", ".join("%s %d" % kv for kv in sorted(counts.items(), key=lambda kv: -kv[1]))


def reason(r):
    if r["note"] and not r["note"].endswith("(compared over the common area)"):
        return r["note"]
    text = r["dropped"] or "nothing reported dropped or approximated"
    if r.get("features"):
        text += " (the file uses: %s)" % r["features"]
    return text


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--list", default=os.path.join(ROOT, "tests/authoring/corpus.txt"))
    parser.add_argument("--subset", action="store_true", help="only the lines marked subset")
    parser.add_argument("--check", action="store_true", help="exit 1 when a threshold fails")
    parser.add_argument("--vemo", help="the vemo program (default: the native build's, else dist/)")
    parser.add_argument("--width", type=int, default=400, help="image width (default 400)")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--work", default=os.path.join(ROOT, "build/fidelity"),
                        help="folder for the converted drawings and images")
    parser.add_argument("--corpus-dir", default=os.environ.get("VEMO_CORPUS_DIR",
                                                               os.path.join(ROOT, "build/corpus")))
    parser.add_argument("--quiet", action="store_true", help="the summary only")
    args = parser.parse_args()

    vemo = args.vemo
    if vemo is None:
        for candidate in ("build/native/uninstrumented/authoring/cli/vemo", "dist/vemo"):
            if os.access(os.path.join(ROOT, candidate), os.X_OK):
                vemo = os.path.join(ROOT, candidate)
                break
    missing = []
    if vemo is None or not os.access(vemo, os.X_OK):
        missing.append("the vemo program")
    elif "this build has no SVG converter" in run([vemo, "convert", "/dev/null", "/dev/null"])[2]:
        missing.append("vemo convert (this build has no SVG converter)")
    if shutil.which("rsvg-convert") is None:
        missing.append("rsvg-convert (librsvg2-bin)")
    try:
        import numpy  # noqa: F401
        import PIL  # noqa: F401
        import skimage.metrics  # noqa: F401
    except ImportError as e:
        missing.append("python3 module %s (python3-numpy, python3-pil, python3-skimage)" % e.name)
    roots = sources(args.corpus_dir)
    for name, folder in roots.items():
        if not os.path.isdir(folder):
            missing.append("%s files in %s (scripts/corpus.sh, scripts/bootstrap.sh)" % (name, folder))
    if missing:
        print("fidelity: skipped, missing: " + "; ".join(missing))
        return SKIP

    entries = read_list(args.list, args.subset)
    os.makedirs(args.work, exist_ok=True)
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, args.jobs)) as pool:
        results = list(pool.map(lambda e: measure(e, roots, vemo, args.width, args.work), entries))

    if not args.quiet:
        print("| file | dropped / approximated | PSNR dB | SSIM | note |")
        print("|---|---|---|---|---|")
        for r in results:
            psnr = "-" if r["psnr"] is None else "%.1f" % r["psnr"]
            ssim = "-" if r["ssim"] is None else "%.4f" % r["ssim"]
            print("| %s | %s | %s | %s | %s |" % (r["file"], r["dropped"], psnr, ssim, r["note"]))
        print()

    measured = [r for r in results if r["reference"]]
    unmeasured = [r for r in results if not r["reference"]]
    if not measured:
        print("fidelity: no file could be measured")
        return 1
    psnrs = [r["psnr"] for r in measured]
    median = statistics.median(psnrs)
    share = sum(1 for r in measured if good(r)) / len(measured)
    failed = [r for r in measured if r["note"].startswith(("convert failed", "render failed"))
              or (r["note"].startswith("size") and "common area" not in r["note"])]
    below = sorted((r for r in measured if not good(r)), key=lambda r: r["psnr"])
    totals = {}
    for r in measured:
        for k, v in kinds(r["dropped"]).items():
            totals[k] = totals.get(k, 0) + v
    slowest = max(measured, key=lambda r: r["convert_s"])

    print("Summary over %d files (%d measured, width %d px):" % (len(results), len(measured), args.width))
    print("- median PSNR: %.1f dB (threshold %.0f)" % (median, MEDIAN_PSNR))
    print("- at >= %.0f dB and SSIM >= %.2f: %d of %d, %.1f %% (threshold %.0f %%)"
          % (GOOD_PSNR, GOOD_SSIM, len(measured) - len(below), len(measured), 100 * share,
             100 * GOOD_SHARE))
    print("- did not convert or render, or a wrong size: %d" % len(failed))
    print("- slowest conversion: %.2f s (%s)" % (slowest["convert_s"], slowest["file"]))
    if totals:
        print("- dropped or approximated, counted by kind: " +
              ", ".join("%s %d" % (k, v) for k, v in sorted(totals.items(), key=lambda kv: -kv[1])))
    if unmeasured:
        print("- not measured (no reference image):")
        for r in unmeasured:
            print("  - %s: %s" % (r["file"], r["note"]))
    if below:
        print("- below %.0f dB or SSIM %.2f (worst first):" % (GOOD_PSNR, GOOD_SSIM))
        for r in below:
            print("  - %s: %.1f dB, SSIM %.3f: %s" % (r["file"], r["psnr"], r["ssim"], reason(r)))
    ok = median >= MEDIAN_PSNR and share >= GOOD_SHARE
    print("fidelity: %s" % ("thresholds hold" if ok else "THRESHOLDS FAIL"))
    if args.check and not ok:
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
