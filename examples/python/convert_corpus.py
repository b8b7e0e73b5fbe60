#!/usr/bin/env python3
"""Converts a tree of audio files to another sampling rate on a Dask cluster.

    convert_corpus.py IN_DIR OUT_DIR --rate HZ [--workers N | --scheduler ADDRESS]

Every file under IN_DIR with an extension of EXTENSIONS is read with
soundfile, converted with velumor.resample (the same samples, bit for bit,
as `velumor convert IN OUT --rate HZ` writes) and written as 16-bit PCM, in
the input's container format, to the same relative path under OUT_DIR.

- By default a local cluster of N worker processes (one thread each) does
  the work; --scheduler ADDRESS uses a running Dask cluster instead, whose
  workers must have velumor and soundfile installed and see IN_DIR and
  OUT_DIR at the same paths (a shared file system).
- An output is written to a hidden temporary file beside it and renamed into
  place, so no output is ever half-written; outputs newer than their input
  are skipped, so a rerun resumes where an interrupted run stopped.
- A file that fails is reported on stderr with its error and the others go
  on; the exit status is then 1.
- A progress line on stderr (on a terminal) and a summary at the end: files,
  hours of audio and hours converted per second.
"""

import argparse
import logging
import os
import sys
import tempfile
import time
from pathlib import Path

EXTENSIONS = {".wav", ".flac", ".aiff", ".aif", ".au", ".caf", ".w64"}


def convert_file(source: str, target: str, rate: int) -> dict:
    """Converts one file; runs on a worker. Never raises: errors are returned."""
    import soundfile
    import velumor

    result = {"source": source, "seconds": 0.0, "skipped": False, "error": None}
    try:
        info = soundfile.info(source)
        result["seconds"] = info.frames / info.samplerate
        if os.path.exists(target) and os.stat(target).st_mtime_ns > os.stat(source).st_mtime_ns:
            result["skipped"] = True
            return result
        samples, input_rate = soundfile.read(source, dtype="int16", always_2d=True)
        # A file already at the new rate is copied as 16-bit samples.
        output = samples if input_rate == rate else velumor.resample(samples, input_rate, rate)
        folder = os.path.dirname(target)
        os.makedirs(folder, exist_ok=True)
        handle, temporary = tempfile.mkstemp(dir=folder, prefix="." + os.path.basename(target) + ".", suffix=".part")
        try:
            with os.fdopen(handle, "wb") as stream:
                soundfile.write(stream, output, rate, subtype="PCM_16", format=info.format)
            os.replace(temporary, target)
        except BaseException:
            os.unlink(temporary)
            raise
    except Exception as error:  # reported by the client; the other files go on
        result["error"] = f"{type(error).__name__}: {error}"
    return result


def find_inputs(input_dir: Path, output_dir: Path) -> list:
    inputs = []
    for path in sorted(input_dir.rglob("*")):
        if path.is_file() and path.suffix.lower() in EXTENSIONS:
            inputs.append((str(path), str(output_dir / path.relative_to(input_dir))))
    return inputs


def start_client(arguments):
    from dask.distributed import Client, LocalCluster

    if arguments.scheduler:
        return Client(arguments.scheduler)
    cluster = LocalCluster(
        n_workers=arguments.workers,
        threads_per_worker=1,
        processes=True,
        dashboard_address=None,
        silence_logs=logging.ERROR,
    )
    return Client(cluster)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("input_dir", type=Path)
    parser.add_argument("output_dir", type=Path)
    parser.add_argument("--rate", type=int, required=True, help="output rate, Hz")
    parser.add_argument("--workers", type=int, default=os.cpu_count(), help="local worker processes")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler, e.g. tcp://host:8786")
    arguments = parser.parse_args()
    if not arguments.input_dir.is_dir():
        parser.error(f"{arguments.input_dir}: not a directory")
    if arguments.output_dir.resolve() == arguments.input_dir.resolve():
        parser.error("the output directory must differ from the input directory")

    from dask.distributed import as_completed

    inputs = find_inputs(arguments.input_dir, arguments.output_dir)
    seconds = 0.0  # of audio converted
    counts = {"converted": 0, "skipped": 0, "failed": 0}
    with start_client(arguments) as client:
        started = time.monotonic()  # the cluster's start-up is not counted
        futures = {}
        for source, target in inputs:
            future = client.submit(convert_file, source, target, arguments.rate, pure=False)
            futures[future] = source
        for done, future in enumerate(as_completed(futures), 1):
            try:
                result = future.result()
            except Exception as error:  # the worker itself was lost
                result = {"source": futures[future], "seconds": 0.0, "skipped": False, "error": repr(error)}
            if result["error"]:
                counts["failed"] += 1
                restart = "\r" if sys.stderr.isatty() else ""  # over the progress line
                print(f"{restart}{result['source']}: {result['error']}", file=sys.stderr)
            elif result["skipped"]:
                counts["skipped"] += 1
            else:
                counts["converted"] += 1
                seconds += result["seconds"]
            if sys.stderr.isatty():
                print(f"\r{done}/{len(inputs)} files, {seconds / 3600:.2f} h converted", end="", file=sys.stderr)
        elapsed = time.monotonic() - started
    if sys.stderr.isatty() and inputs:
        print(file=sys.stderr)
    hours = seconds / 3600
    print(
        f"{len(inputs)} files: {counts['converted']} converted, {counts['skipped']} skipped (up to date), "
        f"{counts['failed']} failed; {hours:.3f} h of audio converted in {elapsed:.1f} s, "
        f"{hours / elapsed if elapsed > 0 else 0.0:.3f} h/s"
    )
    return 1 if counts["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
