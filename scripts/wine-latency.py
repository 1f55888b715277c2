#!/usr/bin/env python3
"""Latency of a roll-up under Wine, from a real mouse click to the window
being at caption height: Quillmere rolling up an application's window,
against a bare application that rolls its own window up, in the same run.

Run by scripts/wine-latency.sh, which provides the display, the prefix
(WINE, DISPLAY, WINEPREFIX in the environment) and a working directory
holding probe.exe, selfshade.exe, the hook library and the program.

With --with-32bit the prefix is a 64-bit one, and a second pair of managed
windows belongs to 32-bit applications (selfshade32.exe, run by the 32-bit
loader WINE32), which the 64-bit program sees through its 32-bit helper
quillmere32.exe: each block measures them right after the 64-bit pair.

Each focus change is a mouse click through the X server on the caption bar
of the other window of a pair, made with the XTEST extension as xdotool
makes it, but from this process: the pointer is moved first, and the time
runs from the button press until the probe, polling about every
millisecond, sees the window that lost the focus at caption height
(starting xdotool takes about 100 ms here, more than what is measured). The probe's clock is Wine's
performance counter, which is the host's CLOCK_MONOTONIC_RAW; the run
checks that before it measures.
"""
import argparse
import ctypes
import os
import statistics
import subprocess
import sys
import time

WINE = os.environ["WINE"]
WINE32 = os.environ.get("WINE32", WINE)


def now_us():
    return time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW) // 1000


class Probe:
    def __init__(self):
        self.process = subprocess.Popen([WINE, "probe.exe"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True, bufsize=1)

    def ask(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        return self.process.stdout.readline().strip()

    def rect(self, title):
        fields = self.ask("rect " + title).split()
        if fields[0] != "rect":
            return None
        left, top, right, bottom = (int(v) for v in fields[1:5])
        return left, top, right, bottom

    def wait_until(self, title, condition, seconds=20):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            r = self.rect(title)
            if r and condition(r):
                return r
            time.sleep(0.05)
        raise RuntimeError("%s: timed out, last %r" % (title, self.rect(title)))


stamps = []  # (press, seen) of every measured click, in order
parts = []   # Quillmere's clicks: press to filter, filter to onShade's end, to seen


def percentile(values, p):
    ordered = sorted(values)
    k = (len(ordered) - 1) * p / 100
    lower = int(k)
    upper = min(lower + 1, len(ordered) - 1)
    return ordered[lower] + (ordered[upper] - ordered[lower]) * (k - lower)


class Mouse:
    """The X server's pointer, driven through XTEST."""

    def __init__(self):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                                   ctypes.c_ulong]
        self.xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(None)
        if not self.display:
            sys.exit("cannot open the display")

    def click_caption(self, rect):
        """Clicks where click_caption of scripts/wine-session.sh clicks; returns the time of the press."""
        left, top, right, _ = rect
        self.xtst.XTestFakeMotionEvent(self.display, -1, (left + right) // 2 - 30, top + 12, 0)
        self.x11.XSync(self.display, 0)
        time.sleep(0.05)
        start = now_us()
        self.xtst.XTestFakeButtonEvent(self.display, 1, 1, 0)
        self.x11.XSync(self.display, 0)
        self.xtst.XTestFakeButtonEvent(self.display, 1, 0, 0)
        self.x11.XSync(self.display, 0)
        return start


def measure(probe, mouse, pair, full, rolled, clicks, results):
    """Clicks between the two windows of the pair; each click measures the
    window that loses the focus."""
    focused, other = pair
    mouse.click_caption(probe.rect(focused))
    probe.wait_until(focused, lambda r: r[3] - r[1] == full)
    time.sleep(0.3)
    for _ in range(clicks):
        start = mouse.click_caption(probe.rect(other))
        answer = probe.ask("waitheight %d 5000 %s" % (rolled, focused)).split()
        if answer[0] != "height":
            raise RuntimeError("%s did not roll up: %s" % (focused, " ".join(answer)))
        results.append((int(answer[3]) - start) / 1000.0)
        stamps.append((start, int(answer[3])))
        probe.wait_until(other, lambda r: r[3] - r[1] == full)
        focused, other = other, focused
        time.sleep(0.3)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--blocks", type=int, default=4)
    parser.add_argument("--clicks", type=int, default=10, help="focus changes per block and kind")
    parser.add_argument("--with-32bit", action="store_true", help="also a pair of 32-bit managed windows")
    args = parser.parse_args()

    probe = Probe()
    mouse = Mouse()
    # The two clocks agree: the probe's reading falls between two of ours.
    before = now_us()
    probe_now = int(probe.ask("now").split()[1])
    after = now_us()
    if not before <= probe_now <= after:
        sys.exit("the probe's clock is not CLOCK_MONOTONIC_RAW: %d not in [%d, %d]" % (probe_now, before, after))
    _, caption, mintrack = probe.ask("metrics").split()
    rolled = max(int(caption), int(mintrack))

    if args.with_32bit:  # three rows of lower windows
        full = 200
        apps = {"Bare A": (20, 20, 440, 220, "self"), "Bare B": (560, 20, 980, 220, "self"),
                "Managed A": (20, 250, 440, 450, "passive"), "Managed B": (560, 250, 980, 450, "passive"),
                "Managed 32 A": (20, 480, 440, 680, "passive32"), "Managed 32 B": (560, 480, 980, 680, "passive32")}
    else:
        full = 300
        apps = {"Bare A": (20, 60, 440, 360, "self"), "Bare B": (560, 60, 980, 360, "self"),
                "Managed A": (20, 400, 440, 700, "passive"), "Managed B": (560, 400, 980, 700, "passive")}
    running = []
    for title, (left, top, right, bottom, mode) in apps.items():
        command = [WINE32, "selfshade32.exe"] if mode == "passive32" else [WINE, "selfshade.exe"]
        running.append(subprocess.Popen(command + [title, str(left), str(top), str(right), str(bottom),
                                                   "passive" if mode == "passive32" else mode],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    last_managed = "Managed 32 B" if args.with_32bit else "Managed B"
    for title in apps:  # a bare application that lost the focus to a later one has rolled itself up
        probe.wait_until(title, lambda r: r[3] - r[1] in (full, rolled))

    bare, quillmere, hooked, quillmere32 = [], [], [], []
    del stamps[:]
    for block in range(args.blocks):
        measure(probe, mouse, ("Bare A", "Bare B"), full, rolled, args.clicks, bare)
        program = subprocess.Popen([WINE, "./quillmere.exe"], stdout=open("program.log", "a"),
                                   stderr=subprocess.STDOUT)
        end = time.monotonic() + 60
        while "managing %s" % last_managed not in probe.ask("logtext Quillmere v1.02"):
            if time.monotonic() > end:
                sys.exit("the program did not take in the windows")
            time.sleep(0.1)
        first = len(stamps)
        measure(probe, mouse, ("Managed A", "Managed B"), full, rolled, args.clicks, quillmere)
        # Where Quillmere's time goes: the script's trace of this block.
        with open("shade.trace") as f:
            trace = [tuple(int(v) for v in line.split()) for line in f][-args.clicks:]
        if len(trace) == args.clicks:
            for (asked, done), (press, seen) in zip(trace, stamps[first:]):
                parts.append(((asked - press) / 1000.0, (done - asked) / 1000.0, (seen - done) / 1000.0))
        if args.with_32bit:
            measure(probe, mouse, ("Managed 32 A", "Managed 32 B"), full, rolled, args.clicks, quillmere32)
        # The bare application again, now with the hook in its process
        # forwarding its events to the program (which does not manage it).
        measure(probe, mouse, ("Bare A", "Bare B"), full, rolled, args.clicks, hooked)
        probe.ask("close Quillmere v1.02")
        program.wait(timeout=60)
        for title in apps:
            if apps[title][4] != "self":
                probe.wait_until(title, lambda r: r[3] - r[1] == full)
        print("block %d: bare median %.1f ms, Quillmere median %.1f ms%s" %
              (block + 1, statistics.median(bare[-args.clicks:]), statistics.median(quillmere[-args.clicks:]),
               ", 32-bit application %.1f ms" % statistics.median(quillmere32[-args.clicks:]) if quillmere32 else ""),
              flush=True)

    probe.ask("quit")
    for p in running:
        p.kill()
    rows = []
    kinds = [("bare application", bare), ("Quillmere", quillmere), ("bare, hook loaded", hooked)]
    if quillmere32:
        kinds.append(("Quillmere, 32-bit", quillmere32))
    for name, values in kinds:
        rows.append((name, len(values), statistics.median(values), percentile(values, 95), min(values), max(values)))
        print("%-18s n=%d  median %.2f ms  p95 %.2f ms  min %.2f ms  max %.2f ms" % rows[-1])
    print("Quillmere adds %.2f ms at the median (ratio %.2f); at p95 %.2f ms; the hook alone, in the bare "
          "application's process, adds %.2f ms at the median" %
          (rows[1][2] - rows[0][2], rows[1][2] / rows[0][2], rows[1][3] - rows[0][3], rows[2][2] - rows[0][2]))
    if quillmere32:
        print("a 32-bit application's window, through the helper, rolls up %.2f ms later than a 64-bit one's at "
              "the median (ratio %.2f)" % (rows[3][2] - rows[1][2], rows[3][2] / rows[1][2]))
    if parts:
        print("Quillmere, medians over %d clicks: click to the script's filter %.2f ms, filter to the end of "
              "onShade (doShadeWindow) %.2f ms, to the probe seeing the window at caption height %.2f ms" %
              ((len(parts),) + tuple(statistics.median(p[i] for p in parts) for i in range(3))))
    with open("latency.csv", "w") as f:
        f.write("kind,ms\n")
        for name, values in (("bare", bare), ("quillmere", quillmere), ("bare_hooked", hooked),
                             ("quillmere_32bit", quillmere32)):
            for v in values:
                f.write("%s,%.3f\n" % (name, v))


if __name__ == "__main__":
    main()
