#!/usr/bin/env python3
"""Draws the growth of per-event intake cost and of memory per managed window
against the number of managed windows, from the JSON that
quillmere_benchmarks writes with --benchmark_out. Standard library only.

    plot.py results.json scaling.svg
"""
import json
import math
import sys

WIDTH, HEIGHT = 640, 300
PANEL_W, PANEL_H = 250, 190
MARGIN_L, MARGIN_T = 60, 50


def series(benchmarks, family, counter):
    points = {}
    for b in benchmarks:
        name = b.get("name", "")
        if not name.startswith(family + "/") or b.get("run_type") == "aggregate":
            continue
        size = int(name.split("/")[2])
        if counter in b:
            points[size] = b[counter]
    return sorted(points.items())


def panel(out, x0, title, unit, lines, ymax):
    out.append(f'<g transform="translate({x0},{MARGIN_T})">')
    out.append(f'<text x="{PANEL_W / 2}" y="-22" text-anchor="middle" font-weight="bold">{title}</text>')
    out.append(f'<line x1="0" y1="{PANEL_H}" x2="{PANEL_W}" y2="{PANEL_H}" stroke="black"/>')
    out.append(f'<line x1="0" y1="0" x2="0" y2="{PANEL_H}" stroke="black"/>')
    lo, hi = 1, 5  # 10^1 .. 10^5 windows
    def px(n):
        return (math.log10(n) - lo) / (hi - lo) * PANEL_W
    def py(v):
        return PANEL_H - v / ymax * PANEL_H
    for e in range(lo, hi + 1):
        x = px(10 ** e)
        out.append(f'<line x1="{x:.1f}" y1="{PANEL_H}" x2="{x:.1f}" y2="{PANEL_H + 4}" stroke="black"/>')
        out.append(f'<text x="{x:.1f}" y="{PANEL_H + 16}" text-anchor="middle">{10 ** e:,}</text>')
    for i in range(5):
        v = ymax * i / 4
        y = py(v)
        out.append(f'<line x1="0" y1="{y:.1f}" x2="{PANEL_W}" y2="{y:.1f}" stroke="#ddd"/>')
        out.append(f'<text x="-5" y="{y + 4:.1f}" text-anchor="end">{v:g}</text>')
    out.append(f'<text x="{PANEL_W / 2}" y="{PANEL_H + 32}" text-anchor="middle">managed windows</text>')
    out.append(f'<text transform="translate(-42,{PANEL_H / 2}) rotate(-90)" text-anchor="middle">{unit}</text>')
    for k, (label, colour, points) in enumerate(lines):
        if not points:
            continue
        path = " ".join(f"{px(n):.1f},{py(v):.1f}" for n, v in points)
        out.append(f'<polyline points="{path}" fill="none" stroke="{colour}" stroke-width="2"/>')
        for n, v in points:
            out.append(f'<circle cx="{px(n):.1f}" cy="{py(v):.1f}" r="3" fill="{colour}"/>')
        out.append(f'<text x="8" y="{12 + 14 * k}" fill="{colour}">{label}</text>')
    out.append("</g>")


def nice_max(values):
    top = max(values) if values else 1
    step = 10 ** math.floor(math.log10(top))
    for m in (1, 2, 2.5, 5, 10):
        if m * step >= top * 1.1:
            return m * step
    return 10 * step


def main(argv):
    if len(argv) != 3:
        sys.exit(__doc__)
    with open(argv[1]) as f:
        benchmarks = json.load(f)["benchmarks"]
    scripted = [(n, v / 1000) for n, v in series(benchmarks, "Intake/FocusChange", "event_ns")]
    empty = [(n, v / 1000) for n, v in series(benchmarks, "Intake/FocusChange", "baseline_ns")]
    memory = series(benchmarks, "Memory/RecordMap", "bytes_per_window")
    malloc_memory = series(benchmarks, "Memory/RecordMap", "mallinfo_bytes_per_window")
    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{WIDTH}" height="{HEIGHT}" '
           f'font-family="sans-serif" font-size="11">',
           f'<rect width="{WIDTH}" height="{HEIGHT}" fill="white"/>']
    panel(out, MARGIN_L, "Intake per focus event", "microseconds",
          [("five filters", "#c0392b", scripted), ("empty script", "#2c3e50", empty)],
          nice_max([v for _, v in scripted + empty]))
    panel(out, MARGIN_L + PANEL_W + 80, "Memory per managed window", "bytes",
          [("operator new, usable", "#27ae60", memory), ("malloc in use", "#8e44ad", malloc_memory)],
          nice_max([v for _, v in memory + malloc_memory]))
    out.append("</svg>")
    with open(argv[2], "w") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main(sys.argv)
