"""examples/python/convert_corpus.py on a small generated corpus, two worker processes."""

import os
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest
import soundfile
import velumor
from support import speech_like

ROOT = Path(__file__).resolve().parents[2]
EXAMPLE = ROOT / "examples" / "python" / "convert_corpus.py"


@pytest.fixture(scope="module")
def corpus(tmp_path_factory):
    """About twenty files at three rates, mono and stereo, WAV and FLAC, in nested folders, and a broken one."""
    root = tmp_path_factory.mktemp("corpus")
    made = []
    for i in range(20):
        rate = [22050, 22050, 16000, 44100][i % 4]
        channels = 1 + i % 3 // 2
        folder = root / f"speaker{i % 3}" / ("session" if i % 5 == 0 else "")
        folder.mkdir(parents=True, exist_ok=True)
        path = folder / f"utterance{i:02}.{'flac' if i % 6 == 1 else 'wav'}"
        n = rate // 4 + 97 * i
        samples = np.stack([speech_like(n, seed=i + c) for c in range(channels)], axis=1)
        soundfile.write(path, samples, rate, subtype="PCM_16")
        made.append(path)
    (root / "speaker0" / "broken.wav").write_bytes(b"RIFF, but not audio")
    (root / "notes.txt").write_text("not a sound file: not an input\n")
    return root, made


def run_example(source, target, *extra):
    return subprocess.run(
        [sys.executable, str(EXAMPLE), str(source), str(target), "--rate", "8000", "--workers", "2", *extra],
        capture_output=True, text=True, timeout=600,
    )


def test_every_output_matches_velumor_convert_and_a_rerun_resumes(corpus, tmp_path, velumor_tool):
    source, made = corpus
    target = tmp_path / "out"
    done = run_example(source, target)
    assert done.returncode == 1, done.stderr  # the broken file
    assert "broken.wav" in done.stderr
    assert "21 files: 20 converted, 0 skipped (up to date), 1 failed" in done.stdout

    for path in made:
        output = target / path.relative_to(source)
        reference = tmp_path / "reference" / path.relative_to(source)
        reference.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run([velumor_tool, "convert", path, reference, "--rate", "8000", "--quiet"], check=True)
        got, rate = soundfile.read(output, dtype="int16", always_2d=True)
        want, _ = soundfile.read(reference, dtype="int16", always_2d=True)
        assert rate == 8000
        assert soundfile.info(output).format == soundfile.info(path).format
        np.testing.assert_array_equal(got, want, err_msg=str(path))
    assert not [p for p in target.rglob("*") if p.name.startswith(".")], "temporary files left behind"

    # A rerun skips every output that is newer than its input, and redoes a stale one.
    stale = made[3]
    os.utime(target / stale.relative_to(source), ns=(0, 0))
    times = {p: p.stat().st_mtime_ns for p in target.rglob("*") if p.is_file() and p != target / stale.relative_to(source)}
    again = run_example(source, target)
    assert "21 files: 1 converted, 19 skipped (up to date), 1 failed" in again.stdout
    assert times == {p: p.stat().st_mtime_ns for p in times}
