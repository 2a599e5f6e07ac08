#!/usr/bin/env python3
"""Turns the outputs of one benchmark run into the results table.

Usage: results_table.py RUN_DIR MACHINE_FILE NOTES_FILE RESULTS_MD
RUN_DIR holds the Google Benchmark JSON files (*.json), processes.tsv (label, seconds,
peak_kb per run of a whole process) and import-*.json (bench-import-once lines). Prints the
table and writes RESULTS_MD with the machine description and the notes."""

import json
import re
import os
import statistics
import sys

MB = 1e6


def load_benchmarks(run_dir):
    """name -> median aggregate entry, across every JSON file of the run."""
    medians = {}
    for file_name in sorted(os.listdir(run_dir)):
        if not file_name.endswith(".json") or file_name.startswith("import-"):
            continue
        with open(os.path.join(run_dir, file_name)) as f:
            data = json.load(f)
        for entry in data.get("benchmarks", []):
            # "BM_Import/legacy/iterations:1/real_time" is the row "BM_Import/legacy".
            name = re.sub(r"/(iterations:\d+|real_time)", "", entry.get("run_name", entry["name"]))
            if entry.get("error_occurred"):
                medians[name] = {"error": entry.get("error_message", "failed")}
            elif entry.get("aggregate_name") == "median":
                medians[name] = entry
            elif entry.get("run_type") == "iteration" and name not in medians:
                medians[name] = entry
    return medians


def load_processes(run_dir):
    """label -> (wall s, CPU s, peak KiB), each the median over the runs of that process."""
    runs = {}
    path = os.path.join(run_dir, "processes.tsv")
    if os.path.exists(path):
        with open(path) as f:
            for line in f:
                parts = line.rstrip("\n").split("\t")
                if len(parts) == 4:
                    runs.setdefault(parts[0], []).append(tuple(float(p) for p in parts[1:]))
    return {label: tuple(statistics.median(run[i] for run in r) for i in range(3))
            for label, r in runs.items()}


def load_failures(run_dir):
    """label -> the last line a failed process wrote."""
    failures = {}
    for file_name in os.listdir(run_dir):
        if file_name.endswith(".failed"):
            with open(os.path.join(run_dir, file_name)) as f:
                failures[file_name[:-len(".failed")]] = f.read().strip() or "failed"
    return failures


def load_imports(run_dir):
    found = {}
    for file_name in os.listdir(run_dir):
        if file_name.startswith("import-") and file_name.endswith(".json"):
            with open(os.path.join(run_dir, file_name)) as f:
                text = f.read().strip()
            if text:
                found[file_name[len("import-"):-len(".json")]] = json.loads(text)
    return found


class Table:
    def __init__(self):
        self.rows = []

    def add(self, work, figure, baseline, ratio, target, met):
        self.rows.append((work, figure, baseline, ratio, target, met))

    def missing(self, work, why):
        self.rows.append((work, "not run", "", "", "", why))

    def markdown(self):
        head = ("work", "figure", "baseline", "ratio", "target", "met?")
        lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
        lines += ["| " + " | ".join(row) + " |" for row in self.rows]
        return "\n".join(lines)


def verdict(ok):
    return "yes" if ok else "**NO**"


def mbps(entry):
    return entry["bytes_per_second"] / MB


def get(benchmarks, name):
    entry = benchmarks.get(name)
    if entry is None:
        return None, "benchmark not built or not run"
    if "error" in entry:
        return None, "failed: " + entry["error"]
    return entry, None


def add_rate_rows(table, benchmarks, layouts, ours, base, label, base_label, target):
    for layout in layouts:
        work = label.format(layout=layout)
        a, why_a = get(benchmarks, ours + "/" + layout)
        b, why_b = get(benchmarks, base + "/" + layout)
        if a is None or b is None:
            table.missing(work, why_a or why_b)
            continue
        ratio = mbps(a) / mbps(b)
        table.add(work, "%.0f MB/s" % mbps(a), "%.0f MB/s %s" % (mbps(b), base_label),
                  "%.2f" % ratio, ">= %.1f" % target, verdict(ratio >= target))


def add_weld_rows(table, benchmarks):
    per_corner = {}
    for faces in (1000, 5000, 10922):
        work = "weld %d faces (hashed vs linear first match, CPU time)" % faces
        hashed, why_h = get(benchmarks, "BM_WeldHashed/%d" % faces)
        linear, why_l = get(benchmarks, "BM_WeldLinear/%d" % faces)
        if hashed is None or linear is None:
            table.missing(work, why_h or why_l)
            continue
        ratio = linear["cpu_time"] / hashed["cpu_time"]
        per_corner[faces] = hashed["cpu_time"] * 1000 / hashed["corners"]  # us -> ns
        target = ">= 100x" if faces == 10922 else "-"
        met = verdict(ratio >= 100) if faces == 10922 else "-"
        table.add(work, "%.0f us (%.1f ns/corner)" % (hashed["cpu_time"], per_corner[faces]),
                  "%.0f us linear" % linear["cpu_time"], "%.1fx" % ratio, target, met)
    flat, _ = get(benchmarks, "BM_WeldFlatProposal/10922")
    linear, _ = get(benchmarks, "BM_WeldLinear/10922")
    if flat is not None and linear is not None:
        table.add("weld 10922 faces, open-addressing proposal (bench/FlatWeld.cpp, not shipped)",
                  "%.0f us (%.1f ns/corner)" % (flat["cpu_time"],
                                                flat["cpu_time"] * 1000 / flat["corners"]),
                  "%.0f us linear" % linear["cpu_time"],
                  "%.1fx" % (linear["cpu_time"] / flat["cpu_time"]), "- (proposal)", "-")
    if 1000 in per_corner and 10922 in per_corner:
        growth = per_corner[10922] / per_corner[1000]
        table.add("weld time per corner, 10,922 vs 1,000 faces (linear growth)",
                  "%.1f ns/corner" % per_corner[10922], "%.1f ns/corner" % per_corner[1000],
                  "%.2f" % growth, "<= 1.5", verdict(growth <= 1.5))


def add_scene_rows(table, benchmarks):
    for layout in ("legacy", "mesh8"):
        work = "DoImport BN + %s MSH into a fresh scene" % layout
        imp, why_i = get(benchmarks, "BM_Import/" + layout)
        read, why_r = get(benchmarks, "BM_ReadForImport/" + layout)
        if imp is None or read is None:
            table.missing(work, why_i or why_r)
            continue
        table.add(work, "%.0f MB/s, %.0f objects/s" % (mbps(imp), imp["objects_per_second"]),
                  "%.0f MB/s reading the same records" % mbps(read),
                  "%.2f" % (mbps(imp) / mbps(read)), "- (figure only)", "-")
    for layout in ("legacy", "mesh8"):
        work = "DoExport of that scene, %s layout, with bones" % layout
        exp, why_e = get(benchmarks, "BM_Export/" + layout)
        write, why_w = get(benchmarks, "BM_WriteRecords/" + layout)
        if exp is None:
            table.missing(work, why_e)
            continue
        base = "%.0f MB/s format writer" % mbps(write) if write else "-"
        ratio = "%.2f" % (mbps(exp) / mbps(write)) if write else "-"
        table.add(work, "%.0f MB/s, %.0f objects/s" % (mbps(exp), exp["objects_per_second"]),
                  base, ratio, "- (figure only)", "-")


def seconds(measured):
    return "%.2f s CPU (%.2f s wall)" % (measured[1], measured[0])


def megabytes(measured):
    return measured[2] * 1024 / MB


def add_peak_row(table, work, ours, assimp_read, input_mb):
    """Peak resident memory of one of our processes against the input and assimp's peak."""
    figure = "%.0f MB (%.2f x input)" % (megabytes(ours), megabytes(ours) / input_mb) \
        if input_mb else "%.0f MB" % megabytes(ours)
    if assimp_read is None:
        table.add(work, figure, "-", "-", "< assimp", "- (assimp not measured)")
        return
    ratio = ours[2] / assimp_read[2]
    table.add(work, figure, "%.0f MB assimp read" % megabytes(assimp_read), "%.2f" % ratio,
              "< 1", verdict(ratio < 1))


def add_floor_row(table, layout, ours, floor, failures):
    """to-gltf against the least its work can cost: reading the input, writing the output."""
    work = "mshtool to-gltf %s (whole process) vs reading its input and writing its bytes" % layout
    if ours is None or floor is None:
        table.missing(work, failures.get("io-floor-" + layout, "not run"))
        return
    ratio = ours[1] / floor[1]
    table.add(work, seconds(ours), "floor: " + seconds(floor), "%.2f" % ratio, "<= 2",
              verdict(ratio <= 2))


def add_from_gltf_row(table, layout, ours, read, failures, skipped_assimp):
    work = "mshtool from-gltf of the %s .glb, --bones (whole process) vs assimp ReadFile of it" \
        % layout
    if ours is None:
        table.missing(work, failures.get("from-gltf-" + layout, "not run"))
    elif skipped_assimp or read is None:
        table.missing(work, skipped_assimp or failures.get("assimp-read-" + layout, "not run"))
    else:
        ratio = read[1] / ours[1]
        table.add(work, seconds(ours), "assimp read: " + seconds(read), "%.2fx faster" % ratio,
                  ">= 1.0x", verdict(ratio >= 1.0))


def add_process_rows(table, processes, failures, imports, skipped_assimp):
    for layout in ("legacy", "mesh8"):
        ours = processes.get("to-gltf-" + layout)
        read = processes.get("assimp-read-" + layout)
        export = processes.get("assimp-export-" + layout)
        work = "mshtool to-gltf %s MSH + BN (whole process)" % layout
        if ours is None:
            table.missing(work, failures.get("to-gltf-" + layout, "mshtool to-gltf not built"))
        elif skipped_assimp:
            table.missing(work + " vs assimp", skipped_assimp)
        else:
            if read is not None:
                ratio = read[1] / ours[1]
                table.add(work + " vs assimp ReadFile of its .glb", seconds(ours),
                          "assimp read: " + seconds(read), "%.2fx faster" % ratio, ">= 1.0x",
                          verdict(ratio >= 1.0))
            else:
                table.missing(work + " vs assimp ReadFile",
                              failures.get("assimp-read-" + layout, "not run"))
            if export is not None:
                table.add(work + " vs assimp export .glb to .glb", seconds(ours),
                          "assimp export: " + seconds(export),
                          "%.2fx faster" % (export[1] / ours[1]), "- (figure only)", "-")
            else:
                table.missing("assimp export %s .glb to .glb" % layout,
                              "assimp failed: " + failures.get("assimp-export-" + layout,
                                                               "not run"))
        add_floor_row(table, layout, ours, processes.get("io-floor-" + layout), failures)
        add_from_gltf_row(table, layout, processes.get("from-gltf-" + layout), read, failures,
                          skipped_assimp)
        input_mb = imports.get(layout, {}).get("input_bytes", 0) / MB
        if ours is not None:
            add_peak_row(table, "peak memory, mshtool to-gltf %s" % layout, ours, read, input_mb)
        back = processes.get("from-gltf-" + layout)
        if back is not None:
            add_peak_row(table, "peak memory, mshtool from-gltf %s .glb" % layout, back, read,
                         0)
        imp = processes.get("import-" + layout)
        if imp is not None:
            add_peak_row(table, "peak memory, whole import BN + %s MSH" % layout, imp, read,
                         input_mb)
        if layout in imports:
            d = imports[layout]
            transient = d["transient_heap_bytes"]
            largest = d["largest_record_bytes"]
            table.add("import heap beyond the scene it builds, %s" % layout,
                      "%.2f MB transient (scene keeps %.0f MB)" % (transient / MB,
                                                                  d["scene_heap_bytes"] / MB),
                      "%.2f MB largest record" % (largest / MB), "%.2f" % (transient / largest),
                      "<= 1", verdict(transient <= largest))


def add_batch_rows(table, run_dir, processes, failures):
    """A batch with -j <cores> against -j 1: wall time, outputs the same bytes."""
    for name, what in (("batch-4mb", "24 legacy models of ~4 MB"),
                       ("batch-sample", "200 sample-sized models (hero.msh + its .bn)")):
        work = "mshtool to-gltf of a batch of %s, -j <cores> vs -j 1 (wall time)" % what
        one, many = processes.get(name + "-j1"), processes.get(name + "-jN")
        path = os.path.join(run_dir, name + ".batch")
        if one is None or many is None or not os.path.exists(path):
            table.missing(work, failures.get(name + "-jN", failures.get(name + "-j1", "not run")))
            continue
        with open(path) as f:
            same, files, cores = f.read().split()
        target = 0.8 * int(cores)
        speedup = one[0] / many[0]
        # CPU over wall: how many cores the batch had; below 1 the machine was busy elsewhere.
        table.add(work, "-j %s: %.2f s wall (%.2f s CPU, %.2f cores busy), %s outputs %s" % (
                      cores, many[0], many[1], many[1] / many[0], files,
                      "identical" if same == "same" else "**DIFFERENT**"),
                  "-j 1: %.2f s wall (%.2f s CPU, %.2f cores busy)" % (one[0], one[1],
                                                                       one[1] / one[0]),
                  "%.2fx" % speedup,
                  ">= %.1fx, same outputs" % target,
                  verdict(speedup >= target and same == "same"))


def main():
    run_dir, machine_file, notes_file, results_md = sys.argv[1:5]
    benchmarks = load_benchmarks(run_dir)
    processes = load_processes(run_dir)
    failures = load_failures(run_dir)
    imports = load_imports(run_dir)
    skipped_assimp = ""
    skip_file = os.path.join(run_dir, "assimp-skipped.txt")
    if os.path.exists(skip_file):
        with open(skip_file) as f:
            skipped_assimp = f.read().strip()

    table = Table()
    add_rate_rows(table, benchmarks, ("legacy", "mesh8"), "BM_ReadRecords", "BM_CopyToFreshMemory",
                  "read whole {layout} file into records (~100 MB)", "read() into fresh memory", 0.5)
    add_rate_rows(table, benchmarks, ("legacy", "mesh8"), "BM_WriteRecords", "BM_WriteOneCall",
                  "write those {layout} records to a file", "one write()", 0.5)
    add_weld_rows(table, benchmarks)
    add_scene_rows(table, benchmarks)
    add_process_rows(table, processes, failures, imports, skipped_assimp)
    add_batch_rows(table, run_dir, processes, failures)

    text = table.markdown()
    print(text)
    with open(machine_file) as f:
        machine = f.read().strip()
    with open(notes_file) as f:
        notes = f.read().strip()
    with open(results_md, "w") as f:
        f.write("# Benchmark results\n\nWritten by `make bench` (scripts/bench.sh); do not edit "
                "the table by hand.\n\n## Machine\n\n" + machine + "\n\n## Results\n\n" + text +
                "\n\n" + notes + "\n")


if __name__ == "__main__":
    main()
