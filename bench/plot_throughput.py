#!/usr/bin/env python3
"""Plots throughput against frame length for each code path from the JSON
of velumor_benchmark (run with --benchmark_repetitions and
--benchmark_out_format=json; medians are used).

Usage: bench/plot_throughput.py BENCH.json OUT.png
"""
import json
import sys
from collections import defaultdict

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402


def medians(path):
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    series = defaultdict(dict)  # (direction, path) -> {ms: x real time}
    for b in data["benchmarks"]:
        if b.get("aggregate_name", "median") != "median":
            continue
        name = b.get("run_name", b["name"])
        direction, code_path, geometry, frame = name.split("/")[:4]
        if not geometry.startswith("builtin"):
            continue
        series[(direction, code_path)][int(frame.rstrip("ms"))] = b["x_realtime"]
    return series


def main():
    series = medians(sys.argv[1])
    fig, axes = plt.subplots(1, 2, figsize=(10, 4), sharey=True)
    titles = {"down": "Downsampler 22050 -> 8000 Hz", "up": "Upsampler 8000 -> 22050 Hz"}
    for ax, direction in zip(axes, ("down", "up")):
        for (d, code_path), points in sorted(series.items()):
            if d != direction:
                continue
            frames = sorted(points)
            ax.plot(frames, [points[f] for f in frames], marker="o", label=code_path)
        ax.set_xscale("log")
        ax.set_xticks([10, 20, 100, 1000])
        ax.set_xticklabels(["10", "20", "100", "1000"])
        ax.set_xlabel("frame length (ms)")
        ax.set_title(titles[direction])
        ax.grid(True, which="both", alpha=0.3)
        ax.legend(loc="upper center", ncol=4, fontsize="small")
    top = max(v for points in series.values() for v in points.values())
    axes[0].set_ylim(0, top * 1.2)
    axes[0].set_ylabel("x real time (audio s per CPU s)")
    fig.tight_layout()
    fig.savefig(sys.argv[2], dpi=110)


if __name__ == "__main__":
    main()
