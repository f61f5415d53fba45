#!/usr/bin/python3
"""Measures two pages of Quendrel side by side in Debian's headless Chromium:
bytes and gzipped bytes, time from navigation to the parsed document and to the
first frame, the display's frames, requestAnimationFrame callbacks and frame
routine calls per second, and the cost of a frame's callback (median, 95th
percentile, mean). Launches alternate A B B A, one fresh browser at a time, each
page from a local server with cross-origin isolation, so that performance.now()
steps 5 us rather than 100 us; bench/web_probe.js, injected before the page's own
script, records the callbacks. Prints Markdown tables; each launch's figures go
to --out as JSON."""

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


def launch_figures(record, warmup_ms, window_ms):
    """One launch's figures from the probe's record: the first frame ends the
    first callback that cleared; rates and costs come from the callbacks that
    start in the window beginning warmup_ms after it."""
    def triples(flat):
        return [flat[i:i + 3] for i in range(0, len(flat), 3)]
    raf = triples(record["raf"])
    callbacks = sorted(raf + triples(record["timer"]))
    first_frame = min(start + cost for start, cost, clears in callbacks if clears)
    begin, end = first_frame + warmup_ms, first_frame + warmup_ms + window_ms
    in_window = [c for c in callbacks if begin <= c[0] < end]
    costs = [cost for _, cost, clears in in_window if clears]
    seconds = window_ms / 1000
    return {
        "first_frame_ms": first_frame,
        "display_per_s": sum(begin <= tick < end for tick in record["ticks"]) / seconds,
        "raf_per_s": sum(begin <= start < end for start, _, _ in raf) / seconds,
        "frames_per_s": sum(clears for _, _, clears in in_window) / seconds,
        "cost_median_ms": statistics.median(costs),
        # Interpolated between order statistics, 0 and 1 being the extremes.
        "cost_p95_ms": statistics.quantiles(costs, n=20, method="inclusive")[18],
        "cost_mean_ms": statistics.fmean(costs),
    }


def launch_order(names, launches):
    """Launch i runs the pages in order if i is even, reversed if odd: A B B A ..."""
    return [names if i % 2 == 0 else names[::-1] for i in range(launches)]


def spread(values):
    return statistics.median(values), min(values), max(values)


def pair_ratios(results, figure, numerator, denominator):
    """The ratio of one figure between two pages within each launch round."""
    rounds = {}
    for result in results:
        rounds.setdefault(result["round"], {})[result["page"]] = result[figure]
    return [pages[numerator] / pages[denominator] for pages in rounds.values()
            if pages[denominator]]


def measure(url, size, warmup_ms, window_ms):
    """One fresh browser on one page: the probe's record and the page's timer.
    The browser is the web tests' own (tools/browser), paced by the display."""
    # Imported here, so that the arithmetic's test needs no selenium.
    from chromium import ChromiumSession

    browser = ChromiumSession(PROBE)
    driver = browser.driver
    try:
        width, height = size
        browser.resize(width, height)
        driver.get(url)
        deadline = time.monotonic() + FIRST_FRAME_DEADLINE_S
        while not driver.execute_script("return window.__webBenchProbe.clearsInCallbacks"):
            if time.monotonic() > deadline:
                raise RuntimeError(f"{url}: no frame within {FIRST_FRAME_DEADLINE_S} s")
            time.sleep(0.1)
        time.sleep((warmup_ms + window_ms) / 1000 + 0.5)
        return driver.execute_script("""
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
                              document.getElementById('canvas').height] };""")
    finally:
        browser.close()


# Label, key, decimals, and whether the two pages' ratio means anything: the
# stock route asks for next to no animation frames, so rates per frame do not.
FIGURES = [("document parsed ms", "parsed_ms", 1, True),
           ("first frame ms", "first_frame_ms", 1, True),
           ("shown frames/s", "display_per_s", 1, False),
           ("rAF callbacks/s", "raf_per_s", 1, False),
           ("frame routine calls/s", "frames_per_s", 1, True),
           ("callback median ms", "cost_median_ms", 3, True),
           ("callback p95 ms", "cost_p95_ms", 3, True),
           ("callback mean ms", "cost_mean_ms", 4, True)]


def report(pages, results, launches):
    names = list(pages)
    print("| page | bytes | gzipped (-9) | WebAssembly inside | HTML and JS |\n|---|---|---|---|---|")
    for name, path in pages.items():
        data = Path(path).read_bytes()
        wasm, rest = page_parts(data)
        print(f"| {name} | {len(data)} | {gzipped_size(data)} | {wasm} | {rest} |")
    print(f"\nMedians over {launches} launches each, (min–max):\n")
    print("| page | " + " | ".join(label for label, *_ in FIGURES) + " |")
    print("|---" * (len(FIGURES) + 1) + "|")
    for name in names:
        cells = []
        for _, key, digits, _ in FIGURES:
            middle, low, high = spread([r[key] for r in results if r["page"] == name])
            cells.append(f"{middle:.{digits}f} ({low:.{digits}f}–{high:.{digits}f})")
        print(f"| {name} | " + " | ".join(cells) + " |")
    print(f"\n{names[0]} / {names[1]}, within each round of launches, median (min–max):\n")
    for label, key, _, comparable in FIGURES:
        ratios = pair_ratios(results, key, names[0], names[1])
        if comparable and ratios:
            middle, low, high = spread(ratios)
            print(f"- {label}: {middle:.3f} ({low:.3f}–{high:.3f})")
    steps = sorted({r["timer_step_ms"] for r in results})
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
    parser.add_argument("pages", nargs=2, metavar="NAME=PATH",
                        help="the two pages, named for the tables")
    parser.add_argument("--launches", type=int, default=10, help="per page (default 10)")
    parser.add_argument("--warmup", type=float, default=1.0,
                        help="seconds after the first frame before measuring (default 1)")
    parser.add_argument("--seconds", type=float, default=5.0,
                        help="seconds measured per launch (default 5)")
    parser.add_argument("--size", default="1280x720", help="viewport in CSS pixels (default 1280x720)")
    parser.add_argument("--out", default="build-web-bench", help="directory for launches.json")
    args = parser.parse_args()
    pages = dict(page.split("=", 1) for page in args.pages)
    size = tuple(int(n) for n in args.size.split("x"))
    warmup_ms, window_ms = args.warmup * 1000, args.seconds * 1000

    server = serve(pages)
    base = f"http://127.0.0.1:{server.server_address[1]}"
    print(f"web_bench: load average {os.getloadavg()[0]:.2f} at the start", file=sys.stderr)
    # A first launch, not recorded, brings the browser's files into the page cache.
    measure(f"{base}/{next(iter(pages))}.html", size, 0, 0)
    results = []
    for round_, order in enumerate(launch_order(list(pages), args.launches)):
        for name in order:
            record = measure(f"{base}/{name}.html", size, warmup_ms, window_ms)
            result = {"page": name, "round": round_, "isolated": record["isolated"],
                      "parsed_ms": record["parsedMs"],
                      "timer_step_ms": record["timerStepMs"], "buffer": record["buffer"],
                      **launch_figures(record, warmup_ms, window_ms)}
            print(f"web_bench: round {round_} {name}: " + ", ".join(
                f"{key} {result[key]:.3f}" for _, key, *_ in FIGURES), file=sys.stderr)
            results.append(result)
    server.shutdown()
    Path(args.out).mkdir(parents=True, exist_ok=True)
    Path(args.out, "launches.json").write_text(json.dumps(results, indent=1))
    report(pages, results, args.launches)


if __name__ == "__main__":
    main()
