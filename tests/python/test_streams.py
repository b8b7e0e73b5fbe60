"""Resampler, resample and design_filter: the stream library from numpy."""

import subprocess
import threading

import numpy as np
import pytest
import soundfile
import velumor
from support import speech_like, write_lowpass

# Built-in filters both ways, designed filters both ways, and a pair with an
# inexact step.
RATE_PAIRS = [(22050, 8000), (8000, 22050), (48000, 16000), (16000, 48000), (44100, 48000)]


def exact_length(n, input_rate, output_rate):
    return (2 * n * output_rate + input_rate) // (2 * input_rate)


def stereo(n, seed):
    return np.stack([speech_like(n, seed), speech_like(n, seed + 1)[::-1]], axis=1)


@pytest.mark.parametrize("input_rate, output_rate", RATE_PAIRS)
def test_any_chunking_gives_the_whole_array_result(input_rate, output_rate):
    rng = np.random.default_rng(input_rate + output_rate)
    x = stereo(input_rate // 2 + 17, seed=3)
    want = velumor.resample(x, input_rate, output_rate)
    assert want.shape == (exact_length(len(x), input_rate, output_rate), 2)
    for trial in range(4):
        stream = velumor.Resampler(input_rate, output_rate, channels=2)
        pieces, start = [], 0
        while True:
            size = int(rng.choice([0, 1, 7, 160, 441, 1000, 4096]))
            # The last chunk: the final slice on odd trials, an empty one on even.
            last = start + size >= len(x) and trial % 2 == 1
            pieces.append(stream.process(x[start : start + size], last=last))
            start += size
            if last:
                break
            if start >= len(x):
                pieces.append(stream.process(x[:0], last=True))
                break
        np.testing.assert_array_equal(np.concatenate(pieces), want, err_msg=f"trial {trial}")


@pytest.mark.parametrize("input_rate, output_rate", RATE_PAIRS)
def test_channels_are_independent_mono_streams(input_rate, output_rate):
    x = stereo(4000, seed=5)
    both = velumor.resample(x, input_rate, output_rate)
    for c in range(2):
        np.testing.assert_array_equal(both[:, c], velumor.resample(np.ascontiguousarray(x[:, c]), input_rate, output_rate))
    # A (n, 1) array stays two-dimensional.
    assert velumor.resample(x[:, :1], input_rate, output_rate).shape == (len(both), 1)


def test_latency_and_the_end_of_a_stream():
    stream = velumor.Resampler(8000, 22050)
    given = len(stream.process(speech_like(1000)))
    assert abs(given + stream.latency - 1000 * 22050 / 8000) <= 1
    rest = stream.process(np.zeros(0, np.int16), last=True)
    assert given + len(rest) == exact_length(1000, 8000, 22050)
    with pytest.raises(velumor.Error):
        stream.process(speech_like(10))


@pytest.mark.parametrize("input_rate, output_rate, channels", [(22050, 8000, 1), (8000, 22050, 2), (48000, 16000, 2)])
def test_resample_matches_the_velumor_tool(input_rate, output_rate, channels, tmp_path, velumor_tool):
    x = stereo(input_rate * 2 + 5, seed=7)[:, :channels]
    source = tmp_path / "in.wav"
    target = tmp_path / "out.wav"
    soundfile.write(source, x, input_rate, subtype="PCM_16")
    subprocess.run([velumor_tool, "convert", source, target, "--rate", str(output_rate), "--quiet"], check=True)
    want, rate = soundfile.read(target, dtype="int16", always_2d=True)
    assert rate == output_rate
    got = velumor.resample(x if channels > 1 else x[:, 0], input_rate, output_rate)
    np.testing.assert_array_equal(got.reshape(want.shape), want)


def test_float_input_is_scaled_rounded_and_clipped():
    x = speech_like(5000)
    want = velumor.resample(x, 22050, 8000)
    for dtype in (np.float32, np.float64):
        got = velumor.resample(x.astype(dtype) / 32768, 22050, 8000)
        assert got.dtype == dtype
        np.testing.assert_array_equal(got * 32768, want)
    # Past full scale clips, NaN is silence, halves round to even.
    special = np.array([1.5, -2.0, 32767.5 / 32768, 0.5 / 32768, 1.5 / 32768, -0.7 / 32768, np.nan] * 100)
    as_int = np.array([32767, -32768, 32767, 0, 2, -1, 0] * 100, np.int16)
    np.testing.assert_array_equal(
        velumor.resample(special, 8000, 22050) * 32768, velumor.resample(as_int, 8000, 22050)
    )
    stream = velumor.Resampler(8000, 22050)
    chunked = np.concatenate([stream.process(special[:333].astype(np.float32)), stream.process(special[333:].astype(np.float32), last=True)])
    np.testing.assert_array_equal(chunked * 32768, velumor.resample(as_int, 8000, 22050))


def test_other_buffers_and_options(tmp_path):
    x = speech_like(3000)
    want = velumor.resample(x, 22050, 8000)
    np.testing.assert_array_equal(velumor.resample(x.tobytes(), 22050, 8000), want)
    np.testing.assert_array_equal(velumor.resample(x[::-1].copy()[::-1], 22050, 8000), want)  # strided: copied
    np.testing.assert_array_equal(velumor.resample(x, 22050.0, 8000.0), want)
    # Designed with the default taps, written to a file and read back: the same stream.
    path = tmp_path / "lp.txt"
    coefficients = velumor.design_filter(48000, 16000, path=path)
    y = speech_like(4800)
    designed = velumor.resample(y, 48000, 16000)
    from_file = velumor.resample(y, 48000, 16000, coefficient_file=path, taps=len(coefficients))
    np.testing.assert_array_equal(from_file, designed)
    # Another frame duration changes the frame edges, not the length.
    assert len(velumor.resample(x, 22050, 8000, frame_duration=0.04)) == len(want)


def test_design_filter_matches_the_velumor_tool(tmp_path, velumor_tool):
    for rates, extra in [((48000, 16000), []), ((16000, 48000), []), ((22050, 8000), ["--taps", "153"])]:
        target = tmp_path / f"{rates[0]}-{rates[1]}.txt"
        subprocess.run(
            [velumor_tool, "design", "--from", str(rates[0]), "--to", str(rates[1]), "--out", target, *extra],
            check=True, capture_output=True,
        )
        want = np.loadtxt(target, dtype=np.float64)[:, 1].astype(np.float32)
        taps = int(extra[1]) if extra else None
        got = velumor.design_filter(*rates, taps=taps)
        assert got.dtype == np.float32
        np.testing.assert_array_equal(got, want, err_msg=str(rates))


def test_two_threads_on_two_streams_give_the_single_thread_output():
    x = stereo(22050 * 4, seed=11)
    want = velumor.resample(x, 22050, 8000)
    results = [None, None]

    def run(slot):
        stream = velumor.Resampler(22050, 8000, channels=2)
        pieces = [stream.process(x[i : i + 441]) for i in range(0, len(x), 441)]
        results[slot] = np.concatenate(pieces + [stream.process(x[:0], last=True)])

    threads = [threading.Thread(target=run, args=(slot,)) for slot in range(2)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for result in results:
        np.testing.assert_array_equal(result, want)


# (call, exception, words of the message)
ERRORS = [
    (lambda: velumor.Resampler(22050, 22050), ValueError, ""),
    (lambda: velumor.Resampler(0, 8000), ValueError, "input_rate"),
    (lambda: velumor.Resampler(22050, 2_000_000), ValueError, "output_rate"),
    (lambda: velumor.Resampler(22050.5, 8000), ValueError, "whole number"),
    (lambda: velumor.Resampler("22050", 8000), TypeError, "input_rate"),
    (lambda: velumor.Resampler(22050, 8000, channels=0), ValueError, "channels"),
    (lambda: velumor.Resampler(22050, 8000, channels=257), ValueError, "channels"),
    (lambda: velumor.Resampler(22050, 8000, frame_duration=0.0123), ValueError, ""),
    (lambda: velumor.Resampler(22050, 8000, frame_duration=-1), ValueError, "frame_duration"),
    (lambda: velumor.Resampler(22050, 8000, taps=0), ValueError, "taps"),
    (lambda: velumor.Resampler(22050, 8000, coefficient_file="lp.txt"), TypeError, "needs taps"),
    (lambda: velumor.Resampler(22050, 8000, coefficient_file="missing.txt", taps=9), FileNotFoundError, "missing.txt"),
    (lambda: velumor.Resampler(22050, 8000).process(np.zeros(10, np.int32)), TypeError, "int32"),
    (lambda: velumor.Resampler(22050, 8000).process(np.zeros((10, 2), np.int16)), ValueError, "(n,) or (n, 1)"),
    (lambda: velumor.Resampler(22050, 8000, 2).process(np.zeros(10, np.int16)), ValueError, "(n, 2)"),
    (lambda: velumor.Resampler(22050, 8000, 2).process(bytes(6)), ValueError, "2-channel"),
    (lambda: velumor.resample(np.zeros((4, 2, 2), np.int16), 22050, 8000), ValueError, "(n,) or (n, channels)"),
    (lambda: velumor.resample(np.zeros((4, 0), np.int16), 22050, 8000), ValueError, ""),
    (lambda: velumor.resample(np.zeros(10, np.complex64), 22050, 8000), TypeError, "complex64"),
    (lambda: velumor.design_filter(16000, 16000), ValueError, ""),
    (lambda: velumor.design_filter(48000, 16000, path="no/such/dir/lp.txt"), FileNotFoundError, "lp.txt"),
]


@pytest.mark.parametrize("call, error, words", ERRORS, ids=[f"{e.__name__}-{i}" for i, (_, e, _) in enumerate(ERRORS)])
def test_wrong_arguments_raise_what_describes_them(call, error, words, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    write_lowpass(tmp_path / "lp.txt", 9, 0.2)
    with pytest.raises(error) as raised:
        call()
    assert words in str(raised.value)
