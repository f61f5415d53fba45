#!/usr/bin/python3
"""Measures pages of Quendrel side by side in Debian's headless Chromium, the
first against each of the others: bytes and gzipped bytes, time from navigation
to the parsed document and to the first frame, the display's frames,
requestAnimationFrame callbacks and frame routine calls per second, the CPU time
of all the browser's processes per frame, and the cost of a frame's callback
(median, 95th percentile, mean). Each round launches every page once paced by
the display and once unpaced, one fresh browser at a time, in an order that
turns from round to round (A B C, C B A, B C A, ...); each page comes from a
local server with cross-origin isolation, so that performance.now() steps 5 us
rather than 100 us; bench/web_probe.js, injected before the page's own script,
records the callbacks. Prints Markdown tables; each launch's figures go to
--out as JSON. With --site, also the first frame of the site's page (the
folder scripts/build-web makes) from a static server on a first visit, from
its service worker's cache at a later launch and from disk, as ratios within
each round (a fresh browser a round)."""

import argparse
import base64
import gzip
import json
import os
import re
import statistics
import sys
import time
from pathlib import Path

# The browser and the page server are the web tests' own.
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tools" / "browser"))
from page_server import serve  # noqa: E402

PROBE = Path(__file__).with_name("web_probe.js")
FIRST_FRAME_DEADLINE_S = 60
MODES = ("paced", "unpaced")


def gzipped_size(data):
    # zlib at level 9, no timestamp: within 0.5% of `gzip -9n`, whose deflate differs.
    return len(gzip.compress(data, compresslevel=9, mtime=0))


def page_parts(data):
    """What one self-contained page holds: the bytes of the WebAssembly inlined
    in it as base64 (found by its header, "\\0asm" and version 1), and the bytes
    of everything else (HTML and JavaScript)."""
    inlined = re.findall(rb"AGFzbQEAAA[A-Za-z0-9+/]*={0,2}", data)
    wasm = sum(len(base64.b64decode(text)) for text in inlined)
    return wasm, len(data) - sum(len(text) for text in inlined)


def _triples(flat):
    return [flat[i:i + 3] for i in range(0, len(flat), 3)]


def first_frame_ms(record):
    """When the first callback that cleared ended, or None before it."""
    ends = [start + cost for start, cost, clears in _triples(record["raf"] + record["timer"])
            if clears]
    return min(ends, default=None)


def launch_figures(record):
    """One launch's figures from the probe's record: the first frame ends the
    first callback that cleared; rates, costs and the browser's CPU time per
    frame come from the callbacks that start in the measured window, the span
    of the page's clock over which the browser used cpuMs of CPU time."""
    raf = _triples(record["raf"])
    callbacks = sorted(raf + _triples(record["timer"]))
    begin, end = record["window"]
    in_window = [c for c in callbacks if begin <= c[0] < end]
    costs = [cost for _, cost, clears in in_window if clears]
    frames = sum(clears for _, _, clears in in_window)
    seconds = (end - begin) / 1000
    return {
        "first_frame_ms": first_frame_ms(record),
        "display_per_s": sum(begin <= tick < end for tick in record["ticks"]) / seconds,
        "raf_per_s": sum(begin <= start < end for start, _, _ in raf) / seconds,
        "frames_per_s": frames / seconds,
        "cpu_ms_per_frame": record["cpuMs"] / frames,
        "cpu_cores": record["cpuMs"] / (end - begin),
        "cost_median_ms": statistics.median(costs),
        # Interpolated between order statistics, 0 and 1 being the extremes.
        "cost_p95_ms": statistics.quantiles(costs, n=20, method="inclusive")[18],
        "cost_mean_ms": statistics.fmean(costs),
    }


def launch_order(names, rounds):
    """Round i runs the pages turned by i // 2 places, and reversed if i is odd:
    A B C, C B A, B C A, A C B, ..., so that each pair of rounds evens out a drift
    of the machine's speed and every page takes every place in turn."""
    orders = []
    for i in range(rounds):
        turn = (i // 2) % len(names)
        order = names[turn:] + names[:turn]
        orders.append(order[::-1] if i % 2 else order)
    return orders


def spread(values):
    return statistics.median(values), min(values), max(values)


def pair_ratios(results, figure, numerator, denominator):
    """The ratio of one figure between two pages within each launch round."""
    rounds = {}
    for result in results:
        rounds.setdefault(result["round"], {})[result["page"]] = result[figure]
    return [pages[numerator] / pages[denominator] for pages in rounds.values()
            if pages[denominator]]


def cpu_ticks(pids):
    """User and system time so far of each process, in clock ticks, by pid;
    processes that have gone are left out."""
    ticks = {}
    for pid in pids:
        try:
            fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
        except (OSError, IndexError):
            continue
        ticks[pid] = int(fields[11]) + int(fields[12])  # utime and stime
    return ticks


def measure(url, size, warmup_ms, window_ms, unpaced):
    """One fresh browser on one page: the probe's record, the page's timer, and
    the CPU time all the browser's processes used over the measured window,
    which starts warmup_ms after the first frame. The browser is the web tests'
    own (tools/browser), paced by the display unless `unpaced`."""
    # Imported here, so that the arithmetic's test needs no selenium.
    from chromium import ChromiumSession

    browser = ChromiumSession(PROBE, unpaced=unpaced)
    driver = browser.driver

    def page_clock():
        return driver.execute_script("return performance.now()")

    def sample():
        """The browser's CPU ticks by process (chromedriver's descendants) and
        the page's clock at that moment, halfway between two readings of it."""
        before = page_clock()
        ticks = cpu_ticks(browser.browser_processes())
        return (before + page_clock()) / 2, ticks

    try:
        width, height = size
        browser.resize(width, height)
        first = first_frame(browser, url)
        time.sleep(max(0, first + warmup_ms - page_clock()) / 1000)
        begin, ticks_before = sample()
        time.sleep(window_ms / 1000)
        end, ticks_after = sample()
        cpu_ms = sum(ticks - ticks_before.get(pid, 0) for pid, ticks in ticks_after.items()) \
            * 1000 / os.sysconf("SC_CLK_TCK")
        return {"window": [begin, end], "cpuMs": cpu_ms, **driver.execute_script("""
            const probe = window.__webBenchProbe;
            let step = Infinity;
            for (let i = 0; i < 20; i++) {
              const before = performance.now();
              let after;
              do { after = performance.now(); } while (after === before);
              step = Math.min(step, after - before);
            }
            return { raf: probe.raf, timer: probe.timer, ticks: probe.ticks,
                     isolated: crossOriginIsolated, timerStepMs: step,
                     parsedMs: performance.getEntriesByType('navigation')[0].domInteractive,
                     buffer: [document.getElementById('canvas').width,
                              document.getElementById('canvas').height] };""")}
    finally:
        browser.close()


def measure_again(*args):
    """A launch that fails, as a fresh browser under a heavy load sometimes
    does, is tried once more."""
    try:
        return measure(*args)
    except Exception as error:  # noqa: BLE001 - any failure of the browser or the page
        print(f"web_bench: {args[0]}: {error}; launching again", file=sys.stderr)
        return measure(*args)


def wait_for(answer, what):
    """The first answer of `answer()` that is not None, asked every 50 ms (the
    figures come from the page's own record, not from when this asks)."""
    deadline = time.monotonic() + FIRST_FRAME_DEADLINE_S
    while (found := answer()) is None:
        if time.monotonic() > deadline:
            raise RuntimeError(f"{what}: not within {FIRST_FRAME_DEADLINE_S} s")
        time.sleep(0.05)
    return found


def first_frame(browser, url):
    """Opens `url` in the browser's tab: the first frame's end, in ms from the
    navigation's start."""
    browser.driver.get(url)
    return wait_for(lambda: first_frame_ms(browser.js("window.__webBenchProbe")),
                    f"{url}: a frame")


def measure_site(site, size, rounds):
    """Per round, one fresh browser, which first opens the page from disk
    once, not counted (a fresh browser's first page is slow whatever it is);
    then each a launch (a new tab, the old one closed): the first visit from
    the server (served as a static host does, tools/browser/page_server.py),
    and, once its service worker controls the page, the page served from the
    worker's cache and the same file from disk, these two in turns. Prints the
    medians and the ratios to the first visit."""
    from chromium import ChromiumSession

    server = serve(site=site)
    url = f"http://127.0.0.1:{server.server_port}/"
    disk = Path(site, "index.html").resolve().as_uri()
    rows = []
    try:
        for round_ in range(rounds):
            browser = ChromiumSession(PROBE)
            try:
                browser.resize(*size)
                first_frame(browser, disk)
                browser.new_tab()
                browser.resize(*size)
                row = {"server": first_frame(browser, url)}
                wait_for(lambda: browser.js("navigator.serviceWorker.controller && true"),
                         "a service worker controlling the page")
                for where in (("worker", "disk"), ("disk", "worker"))[round_ % 2]:
                    browser.new_tab()
                    browser.resize(*size)
                    row[where] = first_frame(browser, url if where == "worker" else disk)
            finally:
                browser.close()
            print(f"web_bench: site round {round_}: " + ", ".join(
                f"{key} {value:.1f} ms" for key, value in row.items()), file=sys.stderr)
            rows.append(row)
    finally:
        server.shutdown()
        server.server_close()
    print(f"\nThe site's page, first frame in ms, medians over {rounds} rounds (min–max), and the "
          "ratio to the first visit from the server within each round:\n")
    print("| from | first frame ms | / from the server |\n|---|---|---|")
    for where in ("server", "worker", "disk"):
        ratios = [row[where] / row["server"] for row in rows]
        print(f"| {where} | {cell([row[where] for row in rows], 1)} | {cell(ratios, 3)} |")


# Label, key, decimals, and whether the figure counts animation frames: a
# page that asks for next to none (the stock route runs from a timer) gives
# those no ratio.
FIGURES = [("document parsed ms", "parsed_ms", 1, False),
           ("first frame ms", "first_frame_ms", 1, False),
           ("shown frames/s", "display_per_s", 1, True),
           ("rAF callbacks/s", "raf_per_s", 1, True),
           ("frame routine calls/s", "frames_per_s", 1, False),
           ("CPU ms/frame", "cpu_ms_per_frame", 3, False),
           ("CPU cores", "cpu_cores", 2, False),
           ("callback median ms", "cost_median_ms", 3, False),
           ("callback p95 ms", "cost_p95_ms", 3, False),
           ("callback mean ms", "cost_mean_ms", 4, False)]


def runs_on_animation_frames(results, name):
    """Whether the page's frame routine runs from requestAnimationFrame, by the
    median launch: at least half its calls come in such callbacks."""
    launches = [r for r in results if r["page"] == name]
    return (statistics.median(r["raf_per_s"] for r in launches)
            >= statistics.median(r["frames_per_s"] for r in launches) / 2)


def cell(values, digits):
    middle, low, high = spread(values)
    return f"{middle:.{digits}f} ({low:.{digits}f}–{high:.{digits}f})"


def report(pages, results, rounds):
    names = list(pages)
    print("| page | bytes | gzipped (-9) | WebAssembly inside | HTML and JS |\n|---|---|---|---|---|")
    for name, path in pages.items():
        data = Path(path).read_bytes()
        wasm, rest = page_parts(data)
        print(f"| {name} | {len(data)} | {gzipped_size(data)} | {wasm} | {rest} |")
    for mode in MODES:
        print(f"\n{mode.capitalize()}: medians over {rounds} launches each (min–max):\n")
        print("| page | " + " | ".join(label for label, *_ in FIGURES) + " |")
        print("|---" * (len(FIGURES) + 1) + "|")
        for name in names:
            launches = [r for r in results if r["page"] == name and r["mode"] == mode]
            print(f"| {name} | " + " | ".join(cell([r[key] for r in launches], digits)
                                             for _, key, digits, _ in FIGURES) + " |")
    columns = [(other, mode) for other in names[1:] for mode in MODES]
    print(f"\n{names[0]} against each page, the ratio within each round, median (min–max):\n")
    print("| figure | " + " | ".join(f"{names[0]} / {other}, {mode}" for other, mode in columns)
          + " |")
    print("|---" * (len(columns) + 1) + "|")
    for label, key, _, counts_animation_frames in FIGURES:
        cells = []
        for other, mode in columns:
            of_mode = [r for r in results if r["mode"] == mode]
            ratios = pair_ratios(of_mode, key, names[0], other)
            fair = not counts_animation_frames or runs_on_animation_frames(of_mode, other)
            cells.append(cell(ratios, 3) if fair and ratios else "–")
        print(f"| {label} | " + " | ".join(cells) + " |")
    steps = sorted({round(r["timer_step_ms"], 6) for r in results})
    isolated = all(r["isolated"] for r in results)
    buffers = "; ".join(
        name + " " + ", ".join(sorted({"x".join(map(str, r["buffer"]))
                                      for r in results if r["page"] == name}))
        for name in names)
    print(f"\nperformance.now() step {', '.join(f'{s:g}' for s in steps)} ms "
          f"(cross-origin isolated: {'yes' if isolated else 'no'}); drawing buffers {buffers}; "
          f"load average {os.getloadavg()[0]:.2f} at the end")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("pages", nargs="*", metavar="NAME=PATH",
                        help="the pages, named for the tables; the first is weighed against the others")
    parser.add_argument("--launches", type=int, default=10,
                        help="rounds: launches per page and pacing (default 10)")
    parser.add_argument("--warmup", type=float, default=1.0,
                        help="seconds after the first frame before measuring (default 1)")
    parser.add_argument("--seconds", type=float, default=5.0,
                        help="seconds measured per launch (default 5)")
    parser.add_argument("--size", default="1280x720", help="viewport in CSS pixels (default 1280x720)")
    parser.add_argument("--out", default="build-web-bench", help="directory for launches.json")
    parser.add_argument("--site", help="the site's folder, measured after the pages")
    args = parser.parse_args()
    if len(args.pages) == 1 or not (args.pages or args.site):
        parser.error("two pages or more, or --site")
    pages = dict(page.split("=", 1) for page in args.pages)
    size = tuple(int(n) for n in args.size.split("x"))
    if pages:
        measure_pages(pages, args, size)
    if args.site:
        measure_site(args.site, size, args.launches)


def measure_pages(pages, args, size):
    warmup_ms, window_ms = args.warmup * 1000, args.seconds * 1000

    server = serve(pages)
    try:
        base = f"http://127.0.0.1:{server.server_address[1]}"
        print(f"web_bench: load average {os.getloadavg()[0]:.2f} at the start", file=sys.stderr)
        # A first launch, not recorded, brings the browser's files into the page cache.
        measure_again(f"{base}/{next(iter(pages))}.html", size, 0, 0, False)
        results = []
        for round_, order in enumerate(launch_order(list(pages), args.launches)):
            for mode in MODES:
                for name in order:
                    record = measure_again(f"{base}/{name}.html", size, warmup_ms, window_ms,
                                           mode == "unpaced")
                    result = {"page": name, "mode": mode, "round": round_,
                              "isolated": record["isolated"], "parsed_ms": record["parsedMs"],
                              "timer_step_ms": record["timerStepMs"], "buffer": record["buffer"],
                              **launch_figures(record)}
                    print(f"web_bench: round {round_} {mode} {name}: " + ", ".join(
                        f"{key} {result[key]:.3f}" for _, key, *_ in FIGURES), file=sys.stderr)
                    results.append(result)
    finally:
        server.shutdown()
    Path(args.out).mkdir(parents=True, exist_ok=True)
    Path(args.out, "launches.json").write_text(json.dumps(results, indent=1))
    report(pages, results, args.launches)


if __name__ == "__main__":
    main()
