#!/usr/bin/env python3
"""Timed runs of the real saver: frame cost per scene and screen size on the Linux build (headless
and on an Xvfb display) and on the Windows build under Wine on the same display, start-up time,
idle CPU and heap allocations per frame. Prints one table per measurement.

Every run uses the automation options (README, "Command line"); the frame cost comes from the
program's own --timing log: wall time and process CPU time (all threads: llvmpipe rasterises on
its own threads) between two frame lines, so that start-up and shutdown are left out.

  bench/run [--quick] [--sizes 1280x720,1920x1080] [--scenes display,skeleton,day,night,overlay]
            [--targets headless,x11,wine] [--skip startup,idle,alloc]
"""
import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FAILURES = []  # what could not be measured; a non-zero exit code at the end

# Scene: settings, keys, measured frame window (first, last). Frames 1..100 show the title (5 s on
# the 50 ms virtual clock). Driving mode's first three passes (frames 1..1335) are by day with 80
# billboards a frame, the next three at night. The skeleton view lasts 30 s (600 frames) from its key.
SCENES = {
    "display": (["mode=0", "text_out=2"], [], (150, 450)),
    "skeleton": (["mode=0", "text_out=2"], ["--key", "121:s"], (150, 450)),
    "day": (["mode=1", "text_out=2"], [], (150, 450)),
    "night": (["mode=1", "text_out=2"], [], (1350, 1550)),
    "overlay": (["mode=0", "text_out=1", "column=5"], [], (150, 450)),
}
QUICK = {"display": (150, 250), "skeleton": (150, 250), "day": (150, 250), "night": (1350, 1400), "overlay": (150, 250)}


class Env:
    def __init__(self, args):
        self.native = os.path.abspath(args.native)
        self.win32 = os.path.abspath(args.win32)
        self.saver = os.path.join(self.native, "bin", "corvane_kestor")
        self.scr = os.path.join(self.win32, "bin", "corvane_kestor.scr")
        self.data = os.path.join(self.native, "share", "corvane_kestor")
        self.work = tempfile.mkdtemp(prefix="kestor-bench-")
        self.prefix = os.path.join(self.win32, "bench-wineprefix")
        self.xvfb = None
        self.display = None
        self.size = None

    def close(self):
        self.stop_display()
        shutil.rmtree(self.work, ignore_errors=True)

    # --- an Xvfb display of the given size (Wine's desktop takes it when its wineserver starts) ---
    def start_display(self, size):
        if self.size == size:
            return
        self.stop_display()
        for n in range(180, 260):
            if not os.path.exists(f"/tmp/.X{n}-lock"):
                break
        w, h = size.split("x")
        self.xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", f"{w}x{h}x24", "+extension", "GLX",
                                      "-nolisten", "tcp"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if os.path.exists(f"/tmp/.X11-unix/X{n}"):
                break
            time.sleep(0.05)
        self.display, self.size = f":{n}", size

    def stop_display(self):
        if self.xvfb:
            self.wineserver_kill()
            self.xvfb.terminate()
            self.xvfb.wait()
        self.xvfb = self.display = self.size = None

    def wine_env(self):
        e = dict(os.environ, KESTOR_WINEPREFIX=self.prefix, DISPLAY=self.display)
        return e

    def wineserver_kill(self):
        if os.path.isdir(self.prefix):
            subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=self.prefix),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run(["wineserver", "-w"], env=dict(os.environ, WINEPREFIX=self.prefix),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def winpath(p):
    return "Z:" + p.replace("/", "\\")


def read_timing(path):
    marks = {}
    frames = {}
    with open(path) as f:
        for line in f:
            parts = line.split()
            if len(parts) != 5 or parts[0] != "timing":
                continue
            event, frame, wall, cpu = parts[1], int(parts[2]), int(parts[3]), int(parts[4])
            if event == "frame":
                frames[frame] = (wall, cpu)
            else:
                marks.setdefault(event, (wall, cpu))
    return marks, frames


def settings_file(folder, lines, crlf):
    os.makedirs(folder, exist_ok=True)
    end = "\r\n" if crlf else "\n"
    path = os.path.join(folder, "corvane_kestor.ini")
    with open(path, "w", newline="") as f:
        f.write("[Settings]" + end + "".join(line + end for line in lines))
    return path


def run_saver(env, target, settings, extra, frames, size, preload=None, real_clock=False):
    """One run; returns (timing marks, frame lines, spawn wall us, exit code)."""
    run = tempfile.mkdtemp(dir=env.work)
    timing = os.path.join(run, "timing.log")
    clock = [] if real_clock else ["--step-ms", "50"]
    count = ["--frames", str(frames)] if frames else []
    if target == "wine":
        bindir = os.path.join(run, "bin")
        os.makedirs(bindir)
        shutil.copy(env.scr, os.path.join(bindir, "corvane_kestor.scr"))
        settings_file(bindir, settings, True)
        cmd = [os.path.join(REPO, "tools", "wine-run"), os.path.join(bindir, "corvane_kestor.scr"), "/s",
               "--data-dir", winpath(env.data), *clock, *count, "--timing", winpath(timing), *extra]
        e = env.wine_env()
    else:
        cfg = os.path.join(run, "config")
        settings_file(os.path.join(cfg, "corvane_kestor"), settings, False)
        cmd = [env.saver, "/s", "--data-dir", env.data, *clock, *count, "--timing", timing, *extra]
        e = dict(os.environ, XDG_CONFIG_HOME=cfg)
        if target == "headless":
            e.pop("DISPLAY", None)
            e["SDL_VIDEODRIVER"] = "offscreen"
            cmd += ["--size", size]
        else:
            e["DISPLAY"] = env.display
        if preload:
            e["LD_PRELOAD"] = preload
            e["KESTOR_ALLOC_LOG"] = os.path.join(run, "alloc.log")
    start = time.clock_gettime_ns(time.CLOCK_MONOTONIC) // 1000
    p = subprocess.run(cmd, env=e, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    marks, lines = read_timing(timing) if os.path.exists(timing) else ({}, {})
    if p.returncode != 0:
        sys.stderr.write(f"run {' '.join(cmd)} ended with {p.returncode}: {p.stderr.decode(errors='replace')[-400:]}\n")
    alloc = None
    if preload and os.path.exists(os.path.join(run, "alloc.log")):
        with open(os.path.join(run, "alloc.log")) as f:
            alloc = tuple(int(x) for x in f.read().split()[:2])
    return marks, lines, start, p.returncode, alloc


def frame_cost(env, args):
    rows = []
    for size in args.sizes:
        for scene in args.scenes:
            settings, keys, window = SCENES[scene]
            if args.quick:
                window = QUICK[scene]
            first, last = window
            row = {"scene": scene, "size": size}
            for target in args.targets:
                if target != "headless":
                    env.start_display(size)
                marks, lines, _, code, _ = run_saver(env, target, settings, keys, last, size)
                if first in lines and last in lines:
                    (w0, c0), (w1, c1) = lines[first], lines[last]
                    n = last - first
                    row[target] = (n * 1e6 / (w1 - w0), (c1 - c0) / n / 1000.0)
                else:
                    row[target] = None
                    FAILURES.append(f"{scene} {size} {target}")
            rows.append(row)
            print_row(row, args.targets)
    return rows


def fmt(v):
    return "%7.1f fps %6.2f ms" % v if v else "%21s" % "failed"


def print_row(row, targets):
    cells = "  ".join(fmt(row.get(t)) for t in targets)
    ratio = ""
    lin = row.get("x11") or row.get("headless")
    if row.get("wine") and lin:
        ratio = "  %5.2f" % (lin[0] / row["wine"][0])
    print("%-9s %-10s %s%s" % (row["scene"], row["size"], cells, ratio), flush=True)


def startup(env, args):
    print("\nStart-up, Linux headless 1280x720 (ms from spawn; median of 5 runs, --frames 1):")
    print("%-9s %12s %12s %12s" % ("mode", "create", "set-up done", "1st present"))
    for name, settings in (("display", ["mode=0", "text_out=2"]), ("driving", ["mode=1", "text_out=2"]),
                           ("overlay", ["mode=0", "text_out=1"])):
        got = {"create": [], "setup": [], "first-present": []}
        for _ in range(5):
            marks, _, start, _, _ = run_saver(env, "headless", settings, [], 1, "1280x720")
            for k in got:
                if k in marks:
                    got[k].append((marks[k][0] - start) / 1000.0)
        print("%-9s %12s %12s %12s" % (name, *("%.1f" % statistics.median(got[k]) if got[k] else "-"
                                                for k in ("create", "setup", "first-present"))), flush=True)


def proc_cpu_ticks(pid):
    """(all threads, llvmpipe's rasteriser threads) utime + stime in clock ticks, from /proc/PID/stat
    and /proc/PID/task/TID/stat."""
    def ticks(path):
        with open(path) as f:
            text = f.read()
        comm = text[text.index("(") + 1:text.rindex(")")]
        fields = text.rsplit(")", 1)[1].split()
        return comm, int(fields[11]) + int(fields[12])
    total = ticks(f"/proc/{pid}/stat")[1]
    raster = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            comm, t = ticks(f"/proc/{pid}/task/{tid}/stat")
        except OSError:
            continue
        if comm.startswith("llvmpipe"):
            raster += t
    return total, raster


def idle_cpu(env, args):
    size = "1280x1024"
    env.start_display(size)
    print(f"\nIdle CPU, Linux build full screen on Xvfb {size}, real clock, share of one core over 10 s"
          " (after 2 s), /proc/PID/stat (Xvfb has no vertical retrace: speed 0 draws as fast as llvmpipe can):")
    hz = os.sysconf("SC_CLK_TCK")
    for speed in (0, 500):
        run = tempfile.mkdtemp(dir=env.work)
        cfg = os.path.join(run, "config")
        settings_file(os.path.join(cfg, "corvane_kestor"), ["mode=0", "text_out=2", f"speed={speed}"], False)
        e = dict(os.environ, XDG_CONFIG_HOME=cfg, DISPLAY=env.display)
        p = subprocess.Popen([env.saver, "/s", "--data-dir", env.data], env=e, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        time.sleep(2)
        t0, c0 = time.monotonic(), proc_cpu_ticks(p.pid)
        time.sleep(10 if not args.quick else 4)
        t1, c1 = time.monotonic(), proc_cpu_ticks(p.pid)
        p.send_signal(signal.SIGTERM)
        try:
            p.wait(10)
        except subprocess.TimeoutExpired:
            p.kill()
            p.wait()
        share = lambda a, b: 100.0 * (b - a) / hz / (t1 - t0)
        print("speed %-4d %6.1f %% of a core (llvmpipe's rasteriser threads %.1f %%, the rest %.1f %%)"
              % (speed, share(c0[0], c1[0]), share(c0[1], c1[1]), share(c0[0] - c0[1], c1[0] - c1[1])), flush=True)


def allocations(env, args):
    lib = os.path.join(env.native, "bench", "libkestor_alloc_count.so")
    if not os.path.exists(lib):
        print("\n(no bench/libkestor_alloc_count.so: allocations not counted)")
        return
    print("\nHeap allocations per frame, Linux headless 1280x720, counted by an LD_PRELOAD library (malloc,"
          " calloc, realloc, memalign, operator new) over two runs of A and B frames: (count(B) - count(A)) / (B - A);"
          " 'program' = calls from the executable itself (the saver and its Direct3D 9 layer), 'libraries' = Mesa,"
          " SDL and the other shared libraries:")
    print("%-13s %-10s %10s %10s" % ("scene", "frames", "program", "libraries"))
    # Windows where nothing changes from frame to frame: display mode's turn, driving by day and at
    # night, the overlay's block complete (a one-line block of 26 bytes is done by frame 128 and held
    # for 200 frames).
    cases = (("display", ["mode=0", "text_out=2"], [], 200, 400), ("day", ["mode=1", "text_out=2"], [], 200, 400),
             ("night", ["mode=1", "text_out=2"], [], 1350, 1450),
             ("overlay held", ["mode=0", "text_out=1", "column=1"], [], 140, 300))
    for name, settings, keys, a, b in cases:
        counts = []
        for frames in (a, b):
            counts.append(run_saver(env, "headless", settings, keys, frames, "1280x720", preload=lib)[4])
        if None in counts:
            print("%-13s failed" % name)
            FAILURES.append(f"allocations {name}")
        else:
            program = (counts[1][1] - counts[0][1]) / (b - a)
            libraries = (counts[1][0] - counts[1][1] - counts[0][0] + counts[0][1]) / (b - a)
            print("%-13s %-10s %10.2f %10.2f" % (name, "%d..%d" % (a + 1, b), program, libraries), flush=True)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--native", default=os.path.join(REPO, "build", "native"))
    ap.add_argument("--win32", default=os.path.join(REPO, "build", "win32"))
    ap.add_argument("--sizes", default="1280x720,1920x1080")
    ap.add_argument("--scenes", default=",".join(SCENES))
    ap.add_argument("--targets", default="headless,x11,wine")
    ap.add_argument("--skip", default="")
    ap.add_argument("--quick", action="store_true", help="short frame windows and idle runs (a smoke run)")
    args = ap.parse_args()
    args.sizes = [s for s in args.sizes.split(",") if s]
    args.scenes = [s for s in args.scenes.split(",") if s]
    args.targets = [t for t in args.targets.split(",") if t]
    skip = set(args.skip.split(","))
    env = Env(args)
    if "wine" in args.targets and not os.path.exists(env.scr):
        print(f"(no {env.scr}: the Windows build is left out)")
        args.targets.remove("wine")
    try:
        if args.targets and "frames" not in skip:
            print("Frame cost: processed frames per second (wall) and CPU ms per frame (all threads), per target;"
                  " the last column is Linux / Wine in frames per second (x11 where measured)")
            print("%-9s %-10s %s%s" % ("scene", "size", "  ".join("%21s" % t for t in args.targets),
                                       "  ratio" if "wine" in args.targets else ""))
            frame_cost(env, args)
        if "startup" not in skip:
            startup(env, args)
        if "idle" not in skip:
            idle_cpu(env, args)
        if "alloc" not in skip:
            allocations(env, args)
    finally:
        env.close()
    if FAILURES:
        print("not measured: " + ", ".join(FAILURES), file=sys.stderr)
        sys.exit(1)


if __name__ == "__main__":
    main()
