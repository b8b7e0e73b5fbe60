#!/usr/bin/env python3
"""Draws the quality plots from velumor_measure's CSV files and writes the
figures tables into docs/quality.md.

usage: plot_quality.py --data DIR [--images docs/images] [--doc docs/quality.md]
"""
import argparse
import csv
import math
import os
import re
from collections import defaultdict

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

STYLE = {
    "Velumor": dict(color="black", linewidth=2.2, zorder=5),
    "speexdsp q3": dict(color="tab:blue", linewidth=1.1),
    "speexdsp q4": dict(color="tab:cyan", linewidth=1.1),
    "libsamplerate sinc fastest": dict(color="tab:green", linewidth=1.1),
    "soxr quick": dict(color="tab:orange", linewidth=1.1),
    "soxr high": dict(color="tab:red", linewidth=1.1),
}
TABLE_STYLE = dict(color="gray", linewidth=1.2, linestyle="--")
FLOOR_DB = -140.0


def read_rows(path):
    with open(path, newline="") as handle:
        return list(csv.DictReader(handle))


def by_converter(rows):
    groups = defaultdict(list)
    for row in rows:
        groups[row["converter"]].append(row)
    return groups


def number(text):
    value = float(text)
    return max(value, FLOOR_DB) if math.isinf(value) and value < 0 else value


def style(name):
    return STYLE.get(name, dict(linewidth=1.0))


def title_of(direction, rates):
    return f"{rates[0]:.0f} Hz \u2192 {rates[1]:.0f} Hz"


def rates_of(data, direction):
    """(input rate, output rate, passband edge, stopband edge) in Hz."""
    row = read_rows(os.path.join(data, f"{direction}_figures.csv"))[0]
    return tuple(float(row[key]) for key in ("input_hz", "output_hz", "passband_hz", "stopband_hz"))


def response_curves(rows, direction, rates):
    """Level against frequency: for a downsampler per input tone (what comes
    out, folded or not); for an upsampler against output frequency, the tone
    below half the input rate and its first images above it."""
    points = []
    for row in rows:
        k, sign = int(row["k"]), int(row["sign"])
        f_in, level = float(row["input_hz"]), number(row["level_db"])
        if direction.startswith("down"):
            if k == 0:
                points.append((f_in, level))
        elif k == 0:
            points.append((f_in, level))
        elif k == 1:
            image = rates[0] + sign * f_in
            if image <= rates[1] / 2:
                points.append((image, level))
    points.sort()
    return np.array(points)


def mark_bands(axis, passband, stopband):
    axis.axvline(passband, color="gray", linestyle=":", linewidth=0.8)
    axis.axvline(stopband, color="gray", linestyle=":", linewidth=0.8)


def plot_response(data, images, direction):
    rates = rates_of(data, direction)
    passband, stopband = rates[2], rates[3]
    groups = by_converter(read_rows(os.path.join(data, f"{direction}_response.csv")))
    table = read_rows(os.path.join(data, f"{direction}_table.csv"))
    down = direction.startswith("down")
    limit = (rates[0] if down else rates[1]) / 2
    fig, (full, zoom) = plt.subplots(1, 2, figsize=(13, 4.8), gridspec_kw=dict(width_ratios=[3, 2]))
    for name, rows in groups.items():
        curve = response_curves(rows, direction, rates)
        full.plot(curve[:, 0], curve[:, 1], label=name, **style(name))
        inside = curve[curve[:, 0] <= 1.1 * stopband]
        zoom.plot(inside[:, 0], inside[:, 1], label=name, **style(name))
    table_f = np.array([float(r["frequency_hz"]) for r in table])
    table_db = np.array([number(r["level_db"]) for r in table])
    keep = table_f <= limit
    label = "Velumor filter table alone"
    full.plot(table_f[keep], table_db[keep], label=label, **TABLE_STYLE)
    zoom_keep = table_f <= 1.1 * stopband
    zoom.plot(table_f[zoom_keep], table_db[zoom_keep], label=label, **TABLE_STYLE)
    axis_name = ("input tone frequency (Hz); above half the output rate it folds back"
                 if down else "output frequency (Hz): the tone, then its images")
    full.set(xlim=(0, limit), ylim=(-150, 10), xlabel=axis_name, ylabel="output level (dB re input)",
             title=f"Frequency response, {title_of(direction, rates)}")
    zoom.set(xlim=(0, 1.1 * stopband), ylim=(-6, 2), xlabel=axis_name, ylabel="output level (dB re input)",
             title=f"Passband (0\u2013{passband / 1000:.1f} kHz) zoomed")
    for axis in (full, zoom):
        mark_bands(axis, passband, stopband)
        axis.grid(True, alpha=0.3)
    zoom.legend(fontsize=8, loc="lower left")
    fig.tight_layout()
    fig.savefig(os.path.join(images, f"response_{direction}.png"), dpi=110)
    plt.close(fig)


def worst_alias(rows, passband, rates):
    """Per input tone: the strongest component, other than the tone itself,
    that lands in the output passband."""
    worst = defaultdict(lambda: -math.inf)
    for row in rows:
        f_in, k = float(row["input_hz"]), int(row["k"])
        f_out, level = float(row["output_hz"]), number(row["level_db"])
        own = k == 0 and abs(f_out - f_in) < 1e-6
        if not own and f_out <= passband:
            worst[f_in] = max(worst[f_in], level)
    points = sorted(worst.items())
    return np.array(points) if points else np.zeros((0, 2))


def plot_aliasing(data, images, directions):
    fig, axes = plt.subplots(1, len(directions), figsize=(6.5 * len(directions), 4.6), squeeze=False)
    for axis, direction in zip(axes[0], directions):
        rates = rates_of(data, direction)
        groups = by_converter(read_rows(os.path.join(data, f"{direction}_response.csv")))
        for name, rows in groups.items():
            curve = worst_alias(rows, rates[2], rates)
            axis.plot(curve[:, 0], curve[:, 1], label=name, **style(name))
        axis.set(xlim=(0, rates[0] / 2), ylim=(-150, 5), xlabel="input tone frequency (Hz)",
                 ylabel="strongest alias or image in 0\u2013"
                        f"{rates[2] / 1000:.1f} kHz (dB re tone)",
                 title=f"Aliasing into the passband, {title_of(direction, rates)}")
        axis.grid(True, alpha=0.3)
    axes[0][0].legend(fontsize=8, loc="lower right")
    fig.tight_layout()
    fig.savefig(os.path.join(images, "aliasing.png"), dpi=110)
    plt.close(fig)


def plot_transients(data, images, directions):
    fig, axes = plt.subplots(2, len(directions), figsize=(6.5 * len(directions), 8), squeeze=False)
    for column, direction in enumerate(directions):
        rates = rates_of(data, direction)
        groups = by_converter(read_rows(os.path.join(data, f"{direction}_transient.csv")))
        for row, (key, what) in enumerate((("impulse", "Impulse"), ("step", "Step"))):
            axis = axes[row][column]
            for name, rows in groups.items():
                t = [float(r["time_ms"]) for r in rows]
                y = [float(r[key]) for r in rows]
                axis.plot(t, y, label=name, marker="." if name == "Velumor" else None,
                          markersize=4, **style(name))
            axis.set(xlabel="time after the input event (ms)",
                     ylabel="output / input height",
                     title=f"{what} response, {title_of(direction, rates)}")
            axis.axvline(0, color="gray", linestyle=":", linewidth=0.8)
            axis.grid(True, alpha=0.3)
    axes[0][0].legend(fontsize=8, loc="upper right")
    fig.tight_layout()
    fig.savefig(os.path.join(images, "transients.png"), dpi=110)
    plt.close(fig)


def spectrum_db(values, reference):
    values = np.asarray(values, dtype=float)
    spectrum = np.abs(np.fft.rfft(values)) / len(values) * 2
    return 20 * np.log10(np.maximum(spectrum / reference, 1e-12))


def plot_frame_artefacts(data, images, directions):
    fig, axes = plt.subplots(1, 2, figsize=(13, 4.8))
    spectrum_axis, position_axis = axes
    direction = directions[0]
    rates = rates_of(data, direction)
    tones = [r for r in read_rows(os.path.join(data, f"{direction}_tone.csv")) if r["converter"] == "Velumor"]
    framed = [float(r["value"]) for r in tones if r["framing"] == "frames"]
    whole = [float(r["value"]) for r in tones if r["framing"] == "whole"]
    reference = np.max(np.abs(np.fft.rfft(framed))) / len(framed) * 2
    freqs = np.fft.rfftfreq(len(framed), 1 / rates[1])
    spectrum_axis.plot(freqs, spectrum_db(framed, reference), color="black", linewidth=0.9,
                       label="20 ms frames: lines every 50 Hz")
    spectrum_axis.plot(freqs, spectrum_db(whole, reference), color="tab:orange", linewidth=0.9,
                       alpha=0.8, label="one frame for the whole signal")
    spectrum_axis.set(xlim=(0, rates[1] / 2), ylim=(-140, 5), xlabel="frequency (Hz)",
                      ylabel="level (dB re the tone)",
                      title=f"Velumor, 1 kHz tone {title_of(direction, rates)}: spectrum")
    spectrum_axis.legend(fontsize=8, loc="upper right")
    spectrum_axis.grid(True, alpha=0.3)
    for direction in directions:
        rates = rates_of(data, direction)
        rows = [r for r in read_rows(os.path.join(data, f"{direction}_frame_error.csv"))
                if r["converter"] == "Velumor"]
        rows = [r for r in rows if not math.isinf(float(r["error_db"]))]
        position = [int(r["position"]) for r in rows]
        error = [float(r["error_db"]) for r in rows]
        position_axis.plot(position, error, marker="o", markersize=3, linestyle="none",
                           label=f"Velumor {title_of(direction, rates)}")
    position_axis.set(ylim=(-100, 0), xlabel="output sample position within its 20 ms frame",
                      ylabel="RMS error against one-frame conversion (dB re tone)",
                      title="Where the frame boundaries act (1 kHz tone)")
    position_axis.legend(fontsize=8, loc="center right")
    position_axis.grid(True, alpha=0.3)
    fig.tight_layout()
    fig.savefig(os.path.join(images, "frame_artefacts.png"), dpi=110)
    plt.close(fig)


def plot_group_delay(data, images, directions):
    fig, axes = plt.subplots(1, len(directions), figsize=(6.5 * len(directions), 4.4), squeeze=False)
    for axis, direction in zip(axes[0], directions):
        rates = rates_of(data, direction)
        groups = by_converter(read_rows(os.path.join(data, f"{direction}_delay.csv")))
        for name, rows in groups.items():
            f = [float(r["frequency_hz"]) for r in rows]
            d = [float(r["group_delay_ms"]) for r in rows]
            axis.plot(f, d, label=name, **style(name))
        axis.set(xlim=(0, rates[2]), ylim=(-1, 6), xlabel="frequency (Hz)", ylabel="group delay (ms)",
                 title=f"Group delay in the passband, {title_of(direction, rates)}")
        axis.grid(True, alpha=0.3)
    axes[0][0].legend(fontsize=8, loc="upper left")
    fig.tight_layout()
    fig.savefig(os.path.join(images, "group_delay.png"), dpi=110)
    plt.close(fig)


def fixed(value, digits, sign=""):
    """value with `digits` decimals, never showing -0.00."""
    return f"{round(value, digits) + 0.0:{sign}.{digits}f}"


def decibels(text, digits=1):
    value = float(text)
    if math.isinf(value):
        return "none"
    return fixed(value, digits)


def figures_table(data, direction):
    rows = read_rows(os.path.join(data, f"{direction}_figures.csv"))
    rates = rates_of(data, direction)
    passband, stopband = rates[2] / 1000, rates[3] / 1000
    lines = [
        f"| {title_of(direction, rates)} | passband to {passband:g} kHz (dB) | attenuation from "
        f"{stopband:g} kHz (dB) | alias rejection (dB) | THD+N at 1 kHz (dB) | delay (ms) | "
        "frame-boundary artefacts (dB) |",
        "|---|---|---|---|---|---|---|",
    ]
    for row in rows:
        delay = fixed(float(row["delay_ms"]), 2)
        if float(row["held_back_ms"]) > 0.005:
            delay += (f" ({fixed(float(row['group_delay_ms']), 2)} + "
                      f"{fixed(float(row['held_back_ms']), 2)} held back)")
        lines.append(
            f"| {row['converter']} | {fixed(float(row['ripple_min_db']), 2, '+')} to "
            f"{fixed(float(row['ripple_max_db']), 2, '+')} "
            f"| {decibels(row['stop_attenuation_db'])} | {decibels(row['alias_rejection_db'])} "
            f"| {decibels(row['thdn_db'])} | {delay} | {decibels(row['artefact_db'])} |")
    return "\n".join(lines)


def table_figures(data, direction):
    row = read_rows(os.path.join(data, f"{direction}_table_figures.csv"))[0]
    return (f"{int(row['taps'])} taps at {float(row['rate_hz']):.0f} Hz: DC {float(row['dc_db']):+.3f} dB, "
            f"{float(row['ripple_min_db']):+.3f} to {float(row['ripple_max_db']):+.3f} dB up to "
            f"{float(row['passband_hz']):.0f} Hz, at most {float(row['stop_db']):.1f} dB from "
            f"{float(row['stopband_hz']):.0f} Hz and {float(row['far_stop_db']):.1f} dB from "
            f"{float(row['far_stop_hz']):.0f} Hz (against unity)")


def replace_section(text, key, body):
    pattern = re.compile(rf"(<!-- BEGIN {re.escape(key)} -->\n).*?(<!-- END {re.escape(key)} -->)", re.S)
    if not pattern.search(text):
        return text
    return pattern.sub(lambda m: m.group(1) + body + "\n" + m.group(2), text)


def update_doc(doc, data, directions):
    with open(doc) as handle:
        text = handle.read()
    for direction in directions:
        text = replace_section(text, f"figures {direction}", figures_table(data, direction))
        text = replace_section(text, f"table {direction}", table_figures(data, direction))
    with open(doc, "w") as handle:
        handle.write(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--data", required=True, help="directory of velumor_measure's CSV files")
    parser.add_argument("--images", default=os.path.join(os.path.dirname(__file__), "images"))
    parser.add_argument("--doc", default=os.path.join(os.path.dirname(__file__), "quality.md"))
    args = parser.parse_args()
    os.makedirs(args.images, exist_ok=True)

    builtin = ["down", "up"]
    plot_response(args.data, args.images, "down")
    plot_response(args.data, args.images, "up")
    plot_aliasing(args.data, args.images, builtin)
    plot_transients(args.data, args.images, builtin)
    plot_frame_artefacts(args.data, args.images, builtin)
    plot_group_delay(args.data, args.images, builtin)

    designed = sorted({name[: -len("_figures.csv")] for name in os.listdir(args.data)
                       if re.match(r"(down|up)_\d+_\d+_figures\.csv$", name)})
    for direction in designed:
        plot_response(args.data, args.images, direction)
    update_doc(args.doc, args.data, builtin + designed)
    print(f"plots in {args.images}; figures written into {args.doc}")


if __name__ == "__main__":
    main()
