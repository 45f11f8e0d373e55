#!/usr/bin/env python3
"""zr3ctl table report --svg and --json of a three-point table: the picture parsed as XML (plain
SVG 1.1, nothing external), its marks on its line and on the zero of the residuals, the record's
residuals near 0. Keeps the picture as ARTIFACTS/probe-characteristic.svg and DOCS/ for the README.

    report_svg_test.py ZR3CTL DOCS_DIR ARTIFACTS_DIR
"""
import datetime
import json
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

SVG = "{http://www.w3.org/2000/svg}"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, file=sys.stderr)


def run(*args):
    done = subprocess.run([zr3ctl, *args], capture_output=True, text=True, check=False)
    if done.returncode != 0:
        sys.exit(f"zr3ctl {' '.join(args)} exited with {done.returncode}: {done.stderr}")
    return done.stdout


def floats(element, name):
    return float(element.get(name))


def line_at(points, x):
    """The polyline's y at x, between its two nearest vertices."""
    for (x0, y0), (x1, y1) in zip(points, points[1:]):
        if x0 <= x <= x1:
            return y0 + (y1 - y0) * (x - x0) / (x1 - x0)
    return None


zr3ctl, docs, artifacts = sys.argv[1:4]
with tempfile.TemporaryDirectory() as work:
    table = os.path.join(work, "probe.dat")
    # Conductances measured in the three standard solutions 84, 1413 and 12880 uS/cm.
    for g, kappa in (("60", "84"), ("1000", "1413"), ("9200", "12880")):
        run("table", "add", table, "--conductance", g, "--normal", kappa)
    picture = os.path.join(work, "probe-characteristic.svg")
    record = json.loads(run("table", "report", table, "--svg", picture, "--json", "-"))
    with open(picture, "rb") as f:
        text = f.read()
    check(run("table", "report", table, "--svg", "-").encode() == text, "--svg - gives the file")

root = ET.fromstring(text)
check(root.tag == SVG + "svg" and root.get("version") == "1.1", "an SVG 1.1 root")
for element in root.iter():
    check(not element.tag.endswith("}script"), "no script")
    check(not element.tag.startswith("{") or element.tag.startswith(SVG), f"only SVG: {element.tag}")
    for name, value in element.attrib.items():
        check("href" not in name and not name.startswith("on"), f"no {name}")
        check("url(" not in value or value.startswith("url(#"), f"nothing external: {value}")
today = datetime.date.today().isoformat()
check(root.find(SVG + "title").text == "Probe characteristic, " + today, "the title and date")
texts = [t.text for t in root.iter(SVG + "text")]
for label in ("Conductance G [uS]", "Normal value kappa [uS/cm]", "Residual [%]"):
    check(label in texts, f"the label {label}")

line = [tuple(map(float, p.split(","))) for p in root.find(SVG + "polyline").get("points").split()]
check(len(line) == 101, "the fitted line in 100 segments")
marks = [c for c in root.iter(SVG + "circle") if c.get("class") == "point"]
residuals = [c for c in root.iter(SVG + "circle") if c.get("class") == "residual"]
check(len(marks) == 3 and len(residuals) == 3, "three marks, three residuals")
# Conductance axis 0 .. 10000 over x 80 .. 600: G = 60, 1000, 9200.
check([m.get("cx") for m in marks] == ["83.12", "132.00", "558.40"], "the marks' x")
for mark in marks:
    y = line_at(line, floats(mark, "cx"))
    check(y is not None and abs(y - floats(mark, "cy")) < 0.5, f"mark {mark.get('cx')} on the line")
# Each point lies on the fitted curve: its residual sits on 0 of the residual axis, which spans
# -0.1 .. 0.1 % over y 492 .. 392.
for residual in residuals:
    check(abs(floats(residual, "cy") - 442.0) < 0.5, f"residual {residual.get('cx')} at 0 %")

check(record["fit"]["degree"] == 2 and not record["fit"]["through-origin"], "a parabola with K0")
check(len(record["points"]) == 3, "three points in the record")
for point in record["points"]:
    check(abs(point["residual-percent"]) < 1e-4, f"residual of {point['conductance']} near 0")
check(record["largest-residual"]["absolute"]["point"] in (1, 2, 3), "the largest residual named")

os.makedirs(artifacts, exist_ok=True)
for folder in (artifacts, docs):
    with open(os.path.join(folder, "probe-characteristic.svg"), "wb") as f:
        f.write(text)
if failures:
    sys.exit(f"{len(failures)} checks failed")
print("table report --svg/--json: all checks passed")
