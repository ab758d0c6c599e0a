#!/usr/bin/env python3
"""The benchmark report from raw files: engine statistics are found whatever the capture tool calls its columns,
figures and ratios come out right, and missing parts are named as skipped instead of failing the report."""

import csv
import os
import subprocess
import sys
import tempfile
import unittest

REPORT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "bench", "bench_report.py")


def write(folder, name, text):
    with open(os.path.join(folder, name), "w") as f:
        f.write(text)


def engine_stats(header, rows):
    return ",".join(header) + "\n" + "".join(",".join(str(v) for v in row) + "\n" for row in rows)


class BenchReportTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.raw = os.path.join(self.folder.name, "raw")
        self.out = os.path.join(self.folder.name, "out")
        os.makedirs(self.raw)
        write(self.raw, "settings.txt", "seconds=1\nscale_seconds=1\nscale_counts=100 5000\nfps=60\n")
        write(self.raw, "baseline.csv",
              "frames,width,height,fps,frame_ms,submit_ms,present_ms,startup_ms,process_to_main_ms,options_ms,"
              "window_ms,device_ms,textures_ms,shaders_ms,scene_ms,world_ms,first_frame_ms,actors,meshes,triangles,"
              "draws,state_changes\n3,1280,720,50,20,2,18,1000,100,1,10,300,50,100,10,200,229,22,21,9000,23,40\n")
        # The first frame belongs to start-up and is left out: 2 + 18 ms per frame is 50 frames per second.
        write(self.raw, "baseline-frames.csv",
              "frame,time,submit_ms,present_ms\n0,0,500,500\n1,0.0167,2,18\n2,0.0333,2,18\n")

    def tearDown(self):
        self.folder.cleanup()

    def run_report(self):
        result = subprocess.run([sys.executable, REPORT, self.raw, self.out], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(os.path.join(self.out, "results.csv"), newline="") as f:
            rows = list(csv.DictReader(f))
        with open(os.path.join(self.out, "REPORT.md")) as f:
            report = f.read()
        return {row["figure"]: row for row in rows}, report

    def test_engine_columns_are_found_under_any_reasonable_name(self):
        for header in (["time_s", "logic_ms", "events_ms", "scene_update_ms", "render_ms", "overlay_ms", "present_ms"],
                       ["frame", "presentation time (s)", "logic update (ms)", "event dispatch (ms)",
                        "scene update (ms)", "scene render submission (ms)", "overlay (ms)", "Present (ms)"]):
            with self.subTest(header=header[1]):
                prefix = [0] if header[0] == "frame" else []
                rows = [prefix + [0.0, 100, 100, 100, 100, 100, 100],
                        prefix + [0.0167, 1, 0.5, 1.5, 3, 1, 18],
                        prefix + [0.0333, 1, 0.5, 1.5, 3, 1, 18]]
                write(self.raw, "engine-frames.csv", engine_stats(header, rows))
                figures, report = self.run_report()
                # 25 ms per frame against the baseline's 20: 40 against 50 frames per second.
                self.assertAlmostEqual(float(figures["frames per second"]["value"]), 40.0, places=3)
                self.assertAlmostEqual(float(figures["frames per second"]["ratio"]), 0.8, places=4)
                self.assertAlmostEqual(float(figures["engine scene render submission"]["value"]), 3.0, places=4)
                self.assertAlmostEqual(float(figures["scene render submission: engine against baseline"]["ratio"]),
                                       1.5, places=4)
                self.assertIn("not met", report)

    def test_throughput_pairs_are_each_compared_and_the_median_pair_is_shown(self):
        # Three pairs, engine then baseline in turn: the baseline at 20 ms a frame (50 frames per second) each time,
        # the engine at 25, 20 and 16 ms (ratios 0.80, 1.00, 1.25). The tables show the median pair, the second.
        os.remove(os.path.join(self.raw, "baseline.csv"))
        os.remove(os.path.join(self.raw, "baseline-frames.csv"))
        header = ["time_s", "logic_ms", "events_ms", "scene_update_ms", "render_ms", "overlay_ms", "present_ms"]
        for pair, present in ((1, 20), (2, 15), (3, 11)):
            rows = [[0.0, 100, 100, 100, 100, 100, 100], [0.0167, 1, 0.5, 1.5, 1, 1, present],
                    [0.0333, 1, 0.5, 1.5, 1, 1, present]]
            write(self.raw, f"engine-frames-{pair}.csv", engine_stats(header, rows))
            write(self.raw, f"baseline-frames-{pair}.csv",
                  "frame,time,submit_ms,present_ms\n0,0,500,500\n1,0.0167,2,18\n2,0.0333,2,18\n")
            write(self.raw, f"engine-startup-{pair}.csv", f"phase,ms\nworld,{100 * pair}\ntotal,{1000 * pair}\n")
            write(self.raw, f"baseline-{pair}.csv",
                  "frames,width,height,fps,frame_ms,submit_ms,present_ms,startup_ms,world_ms\n"
                  f"3,1280,720,50,20,2,18,{900 + pair},{200 + pair}\n")
        figures, report = self.run_report()
        self.assertAlmostEqual(float(figures["frames per second"]["ratio"]), 1.0, places=4)
        self.assertIn("in each of the 3 pairs of runs (engine, then baseline, in turn): 0.80, 1.00, 1.25", report)
        self.assertIn("≥ 1.00 met", report)
        # The start-up split is the same pair's, for both programs.
        self.assertAlmostEqual(float(figures["engine world"]["value"]), 200.0)
        self.assertAlmostEqual(float(figures["baseline world"]["value"]), 202.0)

    def test_scale_costs_are_per_actor_and_compared_with_a_hundred_actors(self):
        header = ["time_ms", "logic_us", "events_us", "scene_update_us", "render_us", "overlay_us", "present_us"]
        for count, render_us in ((100, 1000), (5000, 150000)):
            rows = [[t * 16.7, count, count, count, render_us, 10, 5000] for t in range(4)]
            write(self.raw, f"scale-{count}-engine-frames.csv", engine_stats(header, rows))
            write(self.raw, f"scale-{count}-baseline-frames.csv",
                  "frame,time,submit_ms,present_ms\n" + "".join(f"{i},0,{count / 1000},1\n" for i in range(4)))
        figures, report = self.run_report()
        # 1000 µs for 100 actors is 10 µs each; 150 ms for 5000 is 30 µs each: three times as much.
        self.assertAlmostEqual(float(figures["engine submission per actor, 100 actors"]["value"]), 10.0, places=4)
        self.assertAlmostEqual(float(figures["engine submission per actor, 5000 actors"]["ratio"]), 3.0, places=4)
        # Logic, events and scene update take one µs per actor each.
        self.assertAlmostEqual(float(figures["engine update per actor, 5000 actors"]["value"]), 3.0, places=4)
        self.assertAlmostEqual(float(figures["engine against baseline submission, 5000 actors (median of pairs)"]["value"]), 30.0,
                               places=3)
        self.assertIn("3.00x (goal: at most 1.2x) — not met", report)

    def test_the_submission_is_split_per_mesh_beside_the_figures_before_and_the_baselines_whole(self):
        header = ["frame", "time_s", "meshes", "pass_ms", "walk_ms", "lookups_ms", "constants_ms", "writes_ms",
                  "binds_ms", "draws_ms", "timer_ms"]
        # The first frame (start-up's) is left out; the others' medians, per mesh of 5,000: 5 ms is 1 µs.
        rows = [[0, 0, 5000, 900, 900, 0, 0, 0, 0, 0, 9],
                [1, 0.0167, 5000, 20, 5, 1, 2, 4, 6, 2, 1],
                [2, 0.0333, 5000, 22, 5, 1, 2, 4, 8, 2, 1],
                [3, 0.05, 5000, 21, 5, 1, 2, 4, 7, 2, 1],
                [4, 0.0667, 0, 0, 0, 0, 0, 0, 0, 0, 0]]   # a frame that drew nothing counts for nothing
        write(self.raw, "scale-5000-submission.csv", engine_stats(header, rows))
        write(self.raw, "scale-5000-engine-frames-1.csv", engine_stats(["time_s", "render_ms"], [[0, 30], [1, 21]]))
        write(self.raw, "scale-5000-baseline-frames-1.csv", "frame,time,submit_ms,present_ms\n0,0,9,1\n1,0,5,1\n")
        os.makedirs(self.out)
        write(self.out, "submission-before.csv", "actors,part,us_per_mesh\n5000,binds_ms,2.8\n5000,baseline_ms,0.9\n")
        figures, report = self.run_report()
        binds = figures["binds and the binding record's checks, 5000 actors"]
        self.assertAlmostEqual(float(binds["value"]), 1.4, places=4)
        self.assertAlmostEqual(float(binds["reference_value"]), 2.8, places=4)
        self.assertAlmostEqual(float(figures["**the engine's whole mesh pass**, 5000 actors"]["value"]), 4.2, places=4)
        self.assertIn("| binds and the binding record's checks | 2.800 | 1.400 |", report)
        self.assertIn("| **the baseline's whole submission** | 0.900 | 1.000 |", report)
        # The largest part is named where the engine is still costlier than the baseline (21 ms against 5).
        self.assertIn("at 5,000 actors the largest part left is binds", report)
        # This run's parts are kept, in the form a later run reads as its "before".
        with open(os.path.join(self.out, "submission.csv")) as f:
            kept = f.read()
        self.assertIn("5000,binds_ms,1.4000", kept)
        self.assertIn("5000,baseline_ms,1.0000", kept)

    def test_the_world_phase_at_scale_and_the_device_timers_cost_are_reported(self):
        for pair, world in ((1, 400.0), (2, 900.0), (3, 500.0)):
            write(self.raw, f"scale-5000-engine-{pair}.txt", "engine-capture: 31 frames played\nengine-capture: "
                  f"start-up: options 1.0 ms, window 2.0 ms, device 3.0 ms, textures 4.0 ms, shaders 5.0 ms, scene "
                  f"6.0 ms, world {world} ms, first frame 100.0 ms, total 1000.0 ms\n")
            write(self.raw, f"scale-5000-baseline-{pair}.csv", "frames,world_ms,first_frame_ms\n30,550,50\n")
        header = ["time_s", "render_ms", "present_ms"]
        write(self.raw, "engine-frames.csv", engine_stats(header, [[0, 50, 50], [1, 2, 18], [2, 2, 18]]))
        write(self.raw, "engine-frames-timer.csv", engine_stats(header, [[0, 50, 50], [1, 3, 21], [2, 3, 21]]))
        figures, report = self.run_report()
        # The median pair: 500 + 100 ms against 550 + 50.
        world = figures["world phase and first frame, 5000 actors"]
        self.assertAlmostEqual(float(world["value"]), 600.0)
        self.assertAlmostEqual(float(world["ratio"]), 1.0)
        self.assertIn("| 5,000 | 500.0 | 100.0 | 550.0 | 50.0 | 1.00 |", report)
        self.assertAlmostEqual(float(figures["ms per frame with the device timer on"]["ratio"]), 1.2)

    def test_direct3d_calls_are_counted_per_frame_from_a_wine_trace_and_set_beside_the_baseline(self):
        def frame(draws, binds):
            return ("0024:trace:d3d11:d3d11_device_context_Map iface 1\n" * draws
                    + "0024:trace:d3d11:d3d11_device_context_VSSetShader iface 1\n" * binds
                    + "0024:trace:d3d11:d3d11_buffer_GetType iface 1\n"
                    + "0024:trace:d3d11:d3d11_device_context_DrawIndexed iface 1, index_count 36\n" * draws
                    + "0024:trace:dxgi:d3d11_swapchain_Present iface 1, sync_interval 0, flags 0.\n")
        # Start-up and the first two frames are left out, and so is whatever follows the last Present.
        trace = frame(900, 900) + frame(50, 50) + frame(10, 4) + frame(10, 2) + frame(1, 1)[:-60]
        write(self.raw, "trace.txt", trace)
        counter = os.path.join(os.path.dirname(REPORT), "d3d_calls.py")
        result = subprocess.run([sys.executable, counter, os.path.join(self.raw, "trace.txt")], capture_output=True,
                                text=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout.splitlines(), ["call,per_frame", "DrawIndexed,10", "Map,10", "VSSetShader,3",
                                                      "total,23"])
        write(self.raw, "calls-engine.csv", result.stdout)
        write(self.raw, "calls-baseline.csv", "call,per_frame\nMap,10\nDrawIndexed,10\ntotal,20\n")
        write(self.raw, "pictures.txt", "all 11 pictures are byte-identical to the reference\n")
        figures, report = self.run_report()
        self.assertAlmostEqual(float(figures["total per frame, ? actors"]["ratio"]), 1.15, places=4)
        self.assertIn("| VSSetShader | 3 | – | – |", report)
        self.assertIn("all 11 pictures are byte-identical to the reference", report)
        self.assertNotIn("Calls per mesh", report, "without the world's size there is nothing to divide by")

        # Per mesh: the frame's calls over the world's meshes, against the goal of fewer than the baseline's.
        with open(os.path.join(self.raw, "settings.txt"), "a") as f:
            f.write("calls_actors=10\n")
        figures, report = self.run_report()
        self.assertAlmostEqual(float(figures["calls per mesh, 10 actors"]["value"]), 2.3, places=4)
        self.assertAlmostEqual(float(figures["calls per mesh, 10 actors"]["reference_value"]), 2.0, places=4)
        self.assertIn("engine 2.30, baseline 2.00 (goal: fewer than the baseline's) — not met", report)
        write(self.raw, "calls-baseline.csv", "call,per_frame\nMap,10\nUnmap,10\nDrawIndexed,10\ntotal,30\n")
        _, report = self.run_report()
        self.assertIn("engine 2.30, baseline 3.00 (goal: fewer than the baseline's) — met", report)

    def test_missing_parts_are_named_and_the_rest_is_reported(self):
        figures, report = self.run_report()
        self.assertEqual(figures["frames per second"]["value"], "")
        self.assertAlmostEqual(float(figures["frames per second"]["reference_value"]), 50.0, places=4)
        self.assertAlmostEqual(float(figures["baseline device"]["ratio"]), 0.3, places=4)
        self.assertIn("## Not measured in this run", report)
        self.assertIn("engine-capture.exe was not available", report)
        self.assertIn("the event benchmark (no output)", report)

    def test_the_studio_render_costs_are_set_against_their_goals_and_a_failed_run_is_left_out(self):
        write(self.raw, "render-costs.txt",
              "memory,3840x2160 supersampled 2,2500,,40.0,0\n"
              "pipeline,1,alone,40.0,0\npipeline,1,render,42.0,0\n"
              "pipeline,2,alone,50.0,0\npipeline,2,render,60.0,0\n"
              "pipeline,3,alone,10.0,0\npipeline,3,render,99.0,2\n"
              "chunk,plain,4.0,5.0\nchunk,plain,4.0,6.0\nchunk,plain,4.0,4.0\nchunk,supersampled 2,16.0,17.0\n"
              "farm,1,0,farm.sh: 240 frames drawn in 30.0 s wall time, 28.0 s of chunk time summed (0.93 x the wall time), 8.00 frames/s; joined and encoded in 1.0 s\n"
              "farm,2,0,farm.sh: 240 frames drawn in 16.0 s wall time, 30.0 s of chunk time summed (1.88 x the wall time), 15.00 frames/s; joined and encoded in 1.0 s\n")
        figures, report = self.run_report()
        pipeline = figures["render pipeline against the drawing alone"]
        self.assertAlmostEqual(float(pipeline["ratio"]), 51.0 / 45.0, places=4)   # medians of the two good pairs
        self.assertAlmostEqual(float(figures["chunk of 60 frames, plain"]["ratio"]), 1.25)
        self.assertAlmostEqual(float(figures["peak memory, 3840 x 2160 supersampled 2"]["value"]), 2500)
        self.assertAlmostEqual(float(figures["farm wall time, 2 local workers"]["value"]), 16.0)
        self.assertIn("## Studio render", report)
        self.assertNotIn("the studio render's costs", report)

    def test_choreography_figures_are_read_from_its_benchmark(self):
        write(self.raw, "choreography_bench.txt",
              "choreography file, 10000 keys: 0.4 MB, read in 12.5 ms\n"
              "per-frame evaluation, 10000 keys: mean 4.25 us, median 4.00 us, 99th percentile 9.00 us, "
              "worst 30.00 us (3481 frames)\n")
        figures, report = self.run_report()
        self.assertAlmostEqual(float(figures["per-frame evaluation, 10000 keys"]["value"]), 4.25)
        self.assertAlmostEqual(float(figures["file of 10000 keys read"]["value"]), 12.5)
        self.assertNotIn("the choreography benchmark (no output)", report)

    def test_the_million_key_edit_figures_are_set_against_their_goals(self):
        write(self.raw, "choreography_bench.txt",
              "per-frame evaluation, 10000 keys: mean 4.25 us, median 4.00 us, 99th percentile 9.00 us, "
              "worst 30.00 us (3481 frames)\n")
        write(self.raw, "choreography_edit_bench.txt",
              "choreography edit: 256 undo steps held after 256 edits\n"
              "choreography edit, 1000000 keys: read in 2500 ms, peak 600 MB after reading, 660 MB after 256 key "
              "edits (1.10 times)\n"
              "choreography edit, 1000000 keys: per edit median 0.250 ms, 99th percentile 0.900 ms, worst 2.000 ms\n")
        figures, report = self.run_report()
        self.assertAlmostEqual(float(figures["million-key file, peak after reading"]["value"]), 600)
        self.assertAlmostEqual(float(figures["million-key file, peak after the edits"]["ratio"]), 1.1, places=4)
        self.assertAlmostEqual(float(figures["million-key file, per key edit (median)"]["value"]), 0.25)
        self.assertIn("1.10x", report)

    def test_the_live_tools_frame_figures_are_read_case_by_case(self):
        write(self.raw, "choreography_bench.txt",
              "per-frame evaluation, 10000 keys: mean 4.25 us, median 4.00 us, 99th percentile 9.00 us, "
              "worst 30.00 us (3481 frames)\n")
        write(self.raw, "live_tools_frame_bench.txt",
              "live tools, panel closed, fly mode off: overlay build median 0.023 ms, overlay frame median 0.644 ms, "
              "whole frame median 74.258 ms (210 frames at 800x600)\n"
              "live tools, panel open, all 58 s shown: overlay build median 0.153 ms, overlay frame median 76.375 ms, "
              "whole frame median 81.285 ms (210 frames at 800x600)\n")
        figures, report = self.run_report()
        self.assertAlmostEqual(float(figures["panel open, all 58 s shown, overlay build"]["value"]), 0.153)
        self.assertAlmostEqual(float(figures["panel closed, fly mode off, whole frame"]["value"]), 74.258)
        self.assertIn("| panel open, all 58 s shown | 0.153 |", report)

    def test_engine_start_up_lines_are_read_from_the_capture_output(self):
        write(self.raw, "engine-capture.txt", "engine-capture: frames saved\n"
              "start-up: 1500.0 ms from process start to the first Present: options 2.0 ms, window 40.0 ms, "
              "device 310.0 ms, textures 60.0 ms, shaders 150.0 ms, scene 20.0 ms, world load 600.0 ms\n")
        figures, _ = self.run_report()
        self.assertAlmostEqual(float(figures["engine world"]["value"]), 600.0)
        self.assertAlmostEqual(float(figures["engine world"]["ratio"]), 0.4)
        self.assertAlmostEqual(float(figures["start-up to first Present"]["ratio"]), 1.5)


if __name__ == "__main__":
    unittest.main()
