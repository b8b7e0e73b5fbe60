#!/usr/bin/env python3
"""The Python package's speed beside the C++ frame loop, on the same 60 s job.

    python bench/python_bench.py [--build BUILD_DIR] [--rounds N] [--corpus]

BUILD_DIR is a build with the benchmarks (bash bench/setup.sh makes
build-bench); velumor must be importable (see docs/python.md). Each round
runs every entry once, so that a slow spell of the shared machine falls on
all of them alike; the fastest round of each entry is reported. With
--corpus, examples/python/convert_corpus.py also converts a generated corpus
with 1 and 2 worker processes.
"""

import argparse
import re
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

import numpy as np
import velumor

ROOT = Path(__file__).resolve().parents[1]
SECONDS = 60
FRAME = 0.02


def signal(rate: int, seconds: float, seed: int = 1) -> np.ndarray:
    """Speech-band test signal: formant-like tones under a syllable envelope, a little noise."""
    t = np.arange(int(rate * seconds)) / rate
    envelope = 0.55 + 0.45 * np.sin(2 * np.pi * 4 * t)
    x = sum(a * np.sin(2 * np.pi * f * t) for a, f in [(6000, 220), (4000, 710), (2500, 1220), (1200, 2600)])
    x = x * envelope + np.random.default_rng(seed).normal(0, 300, t.size)
    return np.clip(np.round(x), -32768, 32767).astype(np.int16)


def timed(function) -> float:
    start = time.perf_counter()
    function()
    return time.perf_counter() - start


def cxx_frame_loop(program: Path, direction: str, x: np.ndarray) -> float:
    done = subprocess.run([str(program), direction, str(FRAME), "3"], input=x.tobytes(), capture_output=True, check=True)
    return float(done.stdout)


def cxx_two_processes(program: Path, direction: str, x: np.ndarray) -> float:
    """Two C++ frame loops at once, as processes: what the machine's cores give.
    The time for both is the slower one's fastest pass (10 passes each overlap)."""
    runs = [subprocess.Popen([str(program), direction, str(FRAME), "10"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
            for _ in range(2)]
    outputs = [run.communicate(x.tobytes())[0] for run in runs]
    return max(float(output) for output in outputs)


def two_threads(work) -> float:
    threads = [threading.Thread(target=work) for _ in range(2)]
    start = time.perf_counter()
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return time.perf_counter() - start


def entries(direction: str, program: Path):
    """name -> function returning seconds for one pass over the 60 s job."""
    input_rate, output_rate, cls = (22050, 8000, velumor.DownSampler) if direction == "down" else (8000, 22050, velumor.UpSampler)
    x = signal(input_rate, SECONDS)
    probe = cls(FRAME)
    frames = x[: x.size // probe.input_length * probe.input_length].reshape(-1, probe.input_length)
    chunk = probe.input_length

    def batch():
        cls(FRAME).convert(frames)

    def frame_calls():
        converter = cls(FRAME)
        out = np.empty(probe.output_length, np.int16)
        for frame in frames:
            converter.convert(frame, out=out)

    def stream_chunks(size=chunk):
        stream = velumor.Resampler(input_rate, output_rate)
        for start in range(0, x.size, size):
            stream.process(x[start : start + size])
        stream.process(x[:0], last=True)

    def stream_seconds():
        stream_chunks(input_rate)

    def batches_of_one_second():
        converter = cls(FRAME)
        for start in range(0, len(frames), 50):
            converter.convert(frames[start : start + 50])

    return frames.shape[0], {
        "C++ frame loop": lambda: cxx_frame_loop(program, direction, x),
        "C++ frame loop, 2 processes at once": lambda: cxx_two_processes(program, direction, x),
        "resample (whole array)": lambda: timed(lambda: velumor.resample(x, input_rate, output_rate)),
        "convert, one 2-D batch": lambda: timed(batch),
        "Resampler.process, 20 ms chunks": lambda: timed(stream_chunks),
        "convert, one call per frame (out=)": lambda: timed(frame_calls),
        "convert, 1 s batches, 1 thread x 2 jobs": lambda: timed(batches_of_one_second) + timed(batches_of_one_second),
        "convert, 1 s batches, 2 threads": lambda: two_threads(batches_of_one_second),
        "Resampler 20 ms, 1 thread x 2 jobs": lambda: timed(stream_chunks) + timed(stream_chunks),
        "Resampler 20 ms, 2 threads": lambda: two_threads(stream_chunks),
        "Resampler 1 s, 1 thread x 2 jobs": lambda: timed(stream_seconds) + timed(stream_seconds),
        "Resampler 1 s, 2 threads": lambda: two_threads(stream_seconds),
    }


def run_speed(program: Path, rounds: int) -> None:
    print(f"velumor {velumor.__version__}, {SECONDS} s of audio, {FRAME * 1000:.0f} ms frames, "
          f"fastest of {rounds} rounds\n")
    for direction, title in [("down", "22050 -> 8000 Hz"), ("up", "8000 -> 22050 Hz")]:
        frame_count, table = entries(direction, program)
        best = {name: float("inf") for name in table}
        for _ in range(rounds):
            for name, run in table.items():
                best[name] = min(best[name], run())
        cxx = best["C++ frame loop"]
        print(f"{title}\n")
        print("| entry | ms per 60 s job | x real time | speed / C++ |")
        print("|---|---:|---:|---:|")
        for name, seconds in best.items():
            jobs = 2 if "2 threads" in name or "2 jobs" in name or "2 processes" in name else 1
            per_job = seconds / jobs
            print(f"| {name} | {per_job * 1e3:.2f} | {SECONDS / per_job:,.0f} | {cxx / per_job:.2f} |")
        overhead = (best["convert, one call per frame (out=)"] - cxx) / frame_count
        gain = {
            "frames": best["convert, 1 s batches, 1 thread x 2 jobs"] / best["convert, 1 s batches, 2 threads"],
            "streams": best["Resampler 1 s, 1 thread x 2 jobs"] / best["Resampler 1 s, 2 threads"],
            "chunks": best["Resampler 20 ms, 1 thread x 2 jobs"] / best["Resampler 20 ms, 2 threads"],
            "C++": 2 * cxx / best["C++ frame loop, 2 processes at once"],  # both jobs' time
        }
        print(f"\none convert call per frame: {best['convert, one call per frame (out=)'] / frame_count * 1e9:.0f} ns "
              f"({overhead * 1e9:.0f} ns more than the C++ frame)\ntwo threads on two streams: "
              f"{gain['frames']:.2f} x one thread (convert, 1 s batches), {gain['streams']:.2f} x (Resampler, 1 s chunks), "
              f"{gain['chunks']:.2f} x (Resampler, 20 ms chunks); two C++ processes: {gain['C++']:.2f} x one\n")


def run_corpus(files: int, seconds: float) -> None:
    import soundfile

    with tempfile.TemporaryDirectory() as folder:
        source = Path(folder) / "in"
        source.mkdir()
        for i in range(files):
            soundfile.write(source / f"{i:03}.wav", signal(22050, seconds, seed=i), 22050, subtype="PCM_16")
        hours = files * seconds / 3600
        print(f"Corpus: {files} WAV files of {seconds:.0f} s at 22050 Hz ({hours:.2f} h) -> 8000 Hz\n")
        print("| workers | seconds (after start-up) | hours of audio per second |")
        print("|---:|---:|---:|")
        for workers in (1, 2):
            done = subprocess.run(
                [sys.executable, str(ROOT / "examples/python/convert_corpus.py"), str(source),
                 str(Path(folder) / f"out{workers}"), "--rate", "8000", "--workers", str(workers)],
                capture_output=True, text=True, check=True,
            )
            match = re.search(r"in ([0-9.]+) s, ([0-9.]+) h/s", done.stdout)
            print(f"| {workers} | {match.group(1)} | {match.group(2)} |")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", type=Path, default=ROOT / "build-bench")
    parser.add_argument("--rounds", type=int, default=15)
    parser.add_argument("--corpus", action="store_true", help="also time the corpus example")
    parser.add_argument("--corpus-files", type=int, default=200)
    arguments = parser.parse_args()
    program = arguments.build / "bench" / "velumor_frame_loop"
    if not program.is_file():
        parser.error(f"{program} is missing: run bash bench/setup.sh {arguments.build}")
    run_speed(program, arguments.rounds)
    if arguments.corpus:
        run_corpus(arguments.corpus_files, 30.0)


if __name__ == "__main__":
    main()
