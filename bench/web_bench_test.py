"""Tests of bench/web_bench.py's arithmetic over made-up probe records: which
callbacks make the first frame, the rates and the costs, the pairing of
interleaved launches, and the parts of a page. No browser."""

import base64
import os
import time
import unittest

import web_bench


def record(raf=(), timer=(), ticks=(), window=(0, 1000), cpu_ms=0):
    """A probe record from (start, cost, clears) triples, flattened as the probe
    keeps them, with the measured window and the browser's CPU time over it."""
    return {"raf": [x for triple in raf for x in triple],
            "timer": [x for triple in timer for x in triple], "ticks": list(ticks),
            "window": list(window), "cpuMs": cpu_ms}


class LaunchFigures(unittest.TestCase):
    def test_frames_paced_by_the_display(self):
        # A callback that draws nothing comes first; the first frame ends at 100 + 2.
        # One in the window draws nothing either: a rAF callback, not a frame's.
        warmup = [(50.0, 9.0, 0), (100.0, 2.0, 1), (120.0, 9.0, 1)]
        window = [(1102.0 + 20 * i, 0.1 * (i + 1), 1) for i in range(20)] + [(1103.0, 50.0, 0)]
        late = [(1502.0, 9.0, 1)]
        self.assertIsNone(web_bench.first_frame_ms(record(raf=warmup[:1])))
        figures = web_bench.launch_figures(
            record(raf=warmup + window + late, ticks=[1102.0 + 20 * i for i in range(25)],
                   window=(1102, 1502), cpu_ms=300))
        self.assertEqual(figures["first_frame_ms"], 102.0)
        # 300 ms of CPU time over 0.4 s and 20 frames.
        self.assertEqual(figures["cpu_ms_per_frame"], 15)
        self.assertEqual(figures["cpu_cores"], 0.75)
        self.assertEqual(figures["display_per_s"], 50)
        self.assertEqual(figures["raf_per_s"], 52.5)
        self.assertEqual(figures["frames_per_s"], 50)
        self.assertAlmostEqual(figures["cost_median_ms"], 1.05)
        # 0.95 of the way from the first of 20 costs to the last: 0.1 + 0.95 * 1.9.
        self.assertAlmostEqual(figures["cost_p95_ms"], 1.905)
        self.assertAlmostEqual(figures["cost_mean_ms"], 1.05)

    def test_frames_run_by_a_timer(self):
        # One frame from requestAnimationFrame, then a timer every 4 ms, two of
        # which run no frame; the idle callbacks are the ones timed.
        timers = [(10.0 + 4 * i, 0.5, 0 if i % 50 == 0 else 1) for i in range(500)]
        figures = web_bench.launch_figures(
            record(raf=[(5.0, 1.0, 1)], timer=timers, ticks=[16.0 * i for i in range(130)],
                   window=(6, 1006)))
        self.assertEqual(figures["first_frame_ms"], 6.0)
        self.assertEqual(figures["raf_per_s"], 0)
        self.assertEqual(figures["frames_per_s"], 244)
        self.assertEqual(figures["display_per_s"], 62)
        self.assertEqual(figures["cost_median_ms"], 0.5)


class CpuTime(unittest.TestCase):
    def test_a_process_busy_for_60_ms_counts_them_and_a_gone_one_is_left_out(self):
        pid = os.getpid()
        before = web_bench.cpu_ticks([pid, 2 ** 22 + 1])  # above Linux's largest pid
        until = time.process_time() + 0.06
        while time.process_time() < until:
            pass
        after = web_bench.cpu_ticks([pid])
        self.assertEqual(list(before), [pid])
        # process_time counts the same user and system time, finer than ticks.
        self.assertGreaterEqual(after[pid] - before[pid], 0.05 * os.sysconf("SC_CLK_TCK"))


class Interleaving(unittest.TestCase):
    def test_each_page_takes_each_place_and_ratios_pair_the_pages_of_one_round(self):
        order = web_bench.launch_order(["a", "b", "c"], 6)
        self.assertEqual(order, [list("abc"), list("cba"), list("bca"), list("acb"),
                                 list("cab"), list("bac")])
        self.assertEqual(web_bench.launch_order(["a", "b"], 4),
                         [list("ab"), list("ba"), list("ba"), list("ab")])
        fps = {"a": [60, 30, 50, 40], "b": [30, 60, 25, 10]}
        results = [{"page": name, "round": round_, "fps": fps[name][round_]}
                   for round_, names in enumerate(order[:4]) for name in names if name != "c"]
        self.assertEqual(web_bench.pair_ratios(results, "fps", "a", "b"), [2, 0.5, 2, 4])
        self.assertEqual(web_bench.spread([2, 0.5, 2, 4]), (2, 0.5, 4))

    def test_frame_rates_compared_only_with_a_page_drawing_in_animation_frames(self):
        results = [{"page": "page", "raf_per_s": 60, "frames_per_s": 60},
                   {"page": "timer", "raf_per_s": 0.2, "frames_per_s": 230}]
        self.assertTrue(web_bench.runs_on_animation_frames(results, "page"))
        self.assertFalse(web_bench.runs_on_animation_frames(results, "timer"))


class PageParts(unittest.TestCase):
    def test_inlined_webassembly_is_counted_decoded_and_the_rest_as_it_is(self):
        wasm = b"\0asm\1\0\0\0" + bytes(range(256)) * 3
        encoded = base64.b64encode(wasm)
        # Emscripten's two ways of inlining it: a data URI, or a string it decodes.
        for page in [b"<script>var f = 'data:application/octet-stream;base64," + encoded + b"';",
                     b'<script>Module["wasm"] = base64Decode("' + encoded + b'");']:
            self.assertEqual(web_bench.page_parts(page), (len(wasm), len(page) - len(encoded)))
        self.assertEqual(web_bench.page_parts(b"<p>no WebAssembly</p>"), (0, 21))


if __name__ == "__main__":
    unittest.main()
