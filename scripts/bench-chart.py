#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""Draws the benchmark ratios the README reports, from Google Benchmark JSON.

Reads the JSON of bench_versus_opencv, bench_averaging and bench_sim_frames
(any of them; files given in any order), takes the median of each
benchmark's repetitions (or its single run), draws a bar chart of the
ratios with the aims marked, and prints the same numbers as a Markdown
table. Every ratio is one measured in a single run against a baseline in
the same loop, so the chart shows how kmxcore compares, not how fast the
machine was.

    /usr/bin/python3 scripts/bench-chart.py -o docs/bench-ratios.png \\
        --cpu "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2)" \\
        build/default/bench/*.json

Needs matplotlib (Debian: python3-matplotlib).
"""

import argparse
import json
import statistics
import sys

FRAMES = ["mono8", "colour8", "mono16", "colour16"]
VERSIONS = ["baseline", "avx2", "avx512"]


def counters(run):
    wanted = (k for k in run if k.startswith("ratio") or k.endswith(("ratio", "_us")))
    return {k: run[k] for k in wanted if isinstance(run[k], (int, float))}


def medians(paths):
    """Benchmark name -> {counter: median over its repetitions}.

    Takes the repetitions themselves when the JSON has them, else the
    median the benchmark library computed (--benchmark_report_aggregates_only).
    """
    runs, aggregates = {}, {}
    for path in paths:
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
        for b in data.get("benchmarks", []):
            if b.get("error_occurred"):
                continue
            name = b.get("run_name", b["name"])
            if b.get("run_type") != "aggregate":
                runs.setdefault(name, []).append(counters(b))
            elif b.get("aggregate_name") == "median":
                aggregates[name] = counters(b)
    result = dict(aggregates)
    for name, repetitions in runs.items():
        keys = set.intersection(*(set(r) for r in repetitions))
        result[name] = {k: statistics.median(r[k] for r in repetitions) for k in keys}
    return result


def kernel_ratios(results, kind):
    """{version: [ratio per frame kind]} for add/ or mean/ benchmarks."""
    table = {}
    for version in VERSIONS:
        row = [results.get(f"{kind}/{frame}/{version}", {}).get("ratio") for frame in FRAMES]
        if any(r is not None for r in row):
            table[version] = row
    return table


def grouped_bars(axis, groups, table, aim, title, ylabel):
    import numpy as np

    x = np.arange(len(groups))
    width = 0.8 / max(len(table), 1)
    for i, (label, values) in enumerate(table.items()):
        heights = [v if v is not None else 0 for v in values]
        bars = axis.bar(x + (i - (len(table) - 1) / 2) * width, heights, width, label=label)
        axis.bar_label(bars, labels=[f"{v:.2f}" if v is not None else "" for v in values],
                       fontsize=7, padding=1)
    axis.axhline(1.0, color="black", linewidth=0.8)
    if aim is not None:
        axis.axhline(aim, color="tab:red", linestyle="--", linewidth=1, label=f"aim {aim:g}")
    axis.set_xticks(x, groups)
    axis.set_title(title, fontsize=10)
    axis.set_ylabel(ylabel, fontsize=8)
    # Room above the bars for the legend, laid out in one row.
    top = max([v for values in table.values() for v in values if v is not None] + [aim or 1.0])
    axis.set_ylim(0, top * 1.3)
    axis.legend(fontsize=7, loc="upper center", ncol=len(table) + 1, frameon=False)


def markdown(results):
    lines = ["| benchmark | ratio |", "|---|---|"]
    for name in sorted(results):
        ratio = results[name].get("ratio")
        if ratio is not None:
            lines.append(f"| `{name}` | {ratio:.2f} |")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("json", nargs="+", help="Google Benchmark JSON output")
    parser.add_argument("-o", "--output", required=True, help="PNG to write")
    parser.add_argument("--cpu", default="", help="processor to name in the title")
    args = parser.parse_args()

    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    results = medians(args.json)
    if not results:
        sys.exit("bench-chart: no benchmark results in " + ", ".join(args.json))

    figure, axes = plt.subplots(2, 2, figsize=(12, 8))
    grouped_bars(axes[0][0], FRAMES, kernel_ratios(results, "add"), 1.2,
                 "Adding a frame: throughput over cv::accumulate",
                 "kmxcore / OpenCV (higher is faster)")
    grouped_bars(axes[0][1], FRAMES, kernel_ratios(results, "mean"), 1.0,
                 "Finishing pass (mean): throughput over convertTo",
                 "kmxcore / OpenCV (higher is faster)")
    ends = {"library": [results.get(f"averaging_{k}", {}).get("ratio") for k in ("mono", "colour")]}
    # The aim is on cost (library at most 1.1 x OpenCV); drawn as speed.
    ends = {"library": [1 / r if r else None for r in ends["library"]]}
    grouped_bars(axes[1][0], ["mono", "colour"], ends, round(1 / 1.1, 2),
                 "Averaging 16 frames end to end: speed over the OpenCV loop",
                 "OpenCV loop time / library time")
    renders = {"simulator": [results.get(f"render_{k}", {}).get("ratio")
                             for k in ("mono8", "colour24", "mono12")]}
    grouped_bars(axes[1][1], ["mono8", "colour24", "mono12"], renders, 2.0,
                 "Simulator rendering a frame: time over memcpy of its bytes",
                 "render time / memcpy time (lower is faster)")
    title = "kmxcore against OpenCV 4.6 and memcpy, 1280 x 1024 frames, medians"
    if args.cpu.strip():
        title += "\n" + args.cpu.strip()
    figure.suptitle(title, fontsize=11)
    figure.tight_layout()
    figure.savefig(args.output, dpi=100)
    print(markdown(results))


if __name__ == "__main__":
    main()
