#!/usr/bin/env python3
"""The results table judges each row from the run's raw outputs: a miss must read as a miss,
a failed or absent benchmark must say so, and repetition suffixes must not hide a row.
Usage: results_table_test.py PATH/TO/results_table.py"""

import json
import os
import subprocess
import sys
import tempfile
import unittest

TABLE_SCRIPT = sys.argv.pop(1) if len(sys.argv) > 1 else None


def median(name, **fields):
    entry = {"name": name + "_median", "run_name": name, "run_type": "aggregate",
             "aggregate_name": "median"}
    entry.update(fields)
    return entry


class ResultsTable(unittest.TestCase):
    def run_table(self, benchmarks, processes="", imports=None, failures=None):
        with tempfile.TemporaryDirectory() as run:
            with open(os.path.join(run, "bench.json"), "w") as f:
                json.dump({"benchmarks": benchmarks}, f)
            with open(os.path.join(run, "processes.tsv"), "w") as f:
                f.write(processes)
            for layout, data in (imports or {}).items():
                with open(os.path.join(run, "import-%s.json" % layout), "w") as f:
                    json.dump(data, f)
            for label, text in (failures or {}).items():
                with open(os.path.join(run, label + ".failed"), "w") as f:
                    f.write(text)
            for name in ("machine.md", "notes.md"):
                with open(os.path.join(run, name), "w") as f:
                    f.write(name)
            results = os.path.join(run, "RESULTS.md")
            printed = subprocess.run(
                [sys.executable, TABLE_SCRIPT, run, os.path.join(run, "machine.md"),
                 os.path.join(run, "notes.md"), results],
                check=True, capture_output=True, text=True).stdout
            with open(results) as f:
                written = f.read()
        self.assertIn(printed.strip(), written, "RESULTS.md holds the printed table")
        self.assertIn("machine.md", written)
        return {line.split(" | ")[0].lstrip("| "): line for line in printed.splitlines()}

    def test_ratios_against_their_baselines_decide_met_or_not(self):
        rows = self.run_table([
            median("BM_ReadRecords/legacy", bytes_per_second=600e6),
            median("BM_CopyToFreshMemory/legacy", bytes_per_second=1000e6),
            median("BM_ReadRecords/mesh8", bytes_per_second=400e6),
            median("BM_CopyToFreshMemory/mesh8", bytes_per_second=1000e6),
        ])
        legacy = rows["read whole legacy file into records (~100 MB)"]
        self.assertIn("| 0.60 |", legacy)
        self.assertTrue(legacy.endswith("| yes |"))
        mesh8 = rows["read whole mesh8 file into records (~100 MB)"]
        self.assertIn("| 0.40 |", mesh8)
        self.assertTrue(mesh8.endswith("| **NO** |"))

    def test_failed_and_absent_benchmarks_are_named_not_judged(self):
        rows = self.run_table([
            {"name": "BM_WriteRecords/legacy/real_time", "run_name":
             "BM_WriteRecords/legacy/real_time", "error_occurred": True,
             "error_message": "cannot write out.msh"},
            median("BM_WriteOneCall/legacy/real_time", bytes_per_second=1e9),
        ])
        self.assertIn("failed: cannot write out.msh", rows["write those legacy records to a file"])
        self.assertIn("not run", rows["write those mesh8 records to a file"])
        self.assertIn("not built", rows["DoImport BN + legacy MSH into a fresh scene"])

    def test_weld_target_and_linear_growth(self):
        rows = self.run_table([
            median("BM_WeldHashed/1000", cpu_time=30.0, corners=3000),
            median("BM_WeldLinear/1000", cpu_time=300.0, corners=3000),
            median("BM_WeldHashed/10922", cpu_time=1000.0, corners=32766),
            median("BM_WeldLinear/10922", cpu_time=50000.0, corners=32766),
        ])
        at_most = rows["weld 10922 faces (hashed vs linear first match, CPU time)"]
        self.assertIn("| 50.0x |", at_most)
        self.assertTrue(at_most.endswith("| **NO** |"))
        growth = rows["weld time per corner, 10,922 vs 1,000 faces (linear growth)"]
        # 30.5 ns per corner against 10 ns: three times, so not linear.
        self.assertIn("| 3.05 |", growth)
        self.assertTrue(growth.endswith("| **NO** |"))

    def test_repetition_suffixes_still_find_the_row(self):
        rows = self.run_table([
            median("BM_Import/legacy/iterations:1/real_time", bytes_per_second=200e6,
                   objects_per_second=1000.0),
            median("BM_ReadForImport/legacy/real_time", bytes_per_second=800e6),
        ])
        self.assertIn("| 0.25 |", rows["DoImport BN + legacy MSH into a fresh scene"])

    def test_whole_processes_compare_cpu_time_and_peak_memory(self):
        processes = "".join("%s\t%s\t%s\t%s\n" % row for row in [
            ("to-gltf-legacy", 9.0, 0.5, 100000), ("to-gltf-legacy", 1.0, 0.6, 110000),
            ("to-gltf-legacy", 1.0, 0.4, 90000), ("io-floor-legacy", 1.0, 0.2, 50000),
            ("from-gltf-legacy", 1.0, 1.5, 250000),
            ("assimp-read-legacy", 1.0, 1.2, 200000), ("import-legacy", 1.0, 0.2, 300000)])
        rows = self.run_table([], processes, imports={"legacy": {
            "input_bytes": 100e6, "scene_heap_bytes": 90e6, "peak_heap_bytes": 92e6,
            "transient_heap_bytes": 2e6, "largest_record_bytes": 1e6}},
            failures={"assimp-export-legacy": "assertion failed"})
        speed = rows["mshtool to-gltf legacy MSH + BN (whole process) vs assimp ReadFile of its "
                     ".glb"]
        # Medians: 0.5 s CPU against 1.2 s: 2.4 times faster, whatever the wall times.
        self.assertIn("| 2.40x faster |", speed)
        self.assertTrue(speed.endswith("| yes |"))
        floor = rows["mshtool to-gltf legacy (whole process) vs reading its input and writing "
                     "its bytes"]
        self.assertIn("| 2.50 |", floor)  # 0.5 s against 0.2 s: more than twice the floor
        self.assertTrue(floor.endswith("| **NO** |"))
        back = rows["mshtool from-gltf of the legacy .glb, --bones (whole process) vs assimp "
                    "ReadFile of it"]
        self.assertIn("| 0.80x faster |", back)
        self.assertTrue(back.endswith("| **NO** |"))
        self.assertTrue(rows["peak memory, mshtool from-gltf legacy .glb"].endswith("| **NO** |"))
        self.assertIn("assertion failed", rows["assimp export legacy .glb to .glb"])
        self.assertTrue(rows["peak memory, mshtool to-gltf legacy"].endswith("| yes |"))
        self.assertTrue(rows["peak memory, whole import BN + legacy MSH"].endswith("| **NO** |"))
        beyond = rows["import heap beyond the scene it builds, legacy"]
        self.assertIn("| 2.00 |", beyond)
        self.assertTrue(beyond.endswith("| **NO** |"))


if __name__ == "__main__":
    unittest.main()
