"""DownSampler and UpSampler: bit for bit the C++ classes, in every form of call."""

import array
import gc
import os
import sys
import threading
import tracemalloc

import numpy as np
import pytest
import velumor
from support import speech_like, write_lowpass

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


@pytest.fixture(scope="module")
def filters(tmp_path_factory):
    folder = tmp_path_factory.mktemp("filters")
    return {
        "down": write_lowpass(folder / "lp-48k.txt", 167, 0.15),
        "up": write_lowpass(folder / "up-48k.txt", 169, 0.16),
    }


# name -> (class, keyword arguments, reference program arguments); "{down}"
# and "{up}" stand for the coefficient files.
CONVERTERS = {
    "down built-in 20 ms": (velumor.DownSampler, dict(frame_duration=0.02), ["down", 0.02]),
    "down built-in 10 ms": (velumor.DownSampler, dict(frame_duration=0.01), ["down", 0.01]),
    "up built-in 20 ms": (velumor.UpSampler, dict(frame_duration=0.02), ["up", 0.02]),
    "up built-in 7 ms": (velumor.UpSampler, dict(frame_duration=0.007), ["up", 0.007]),
    "down 48000 -> 16000 file": (
        velumor.DownSampler,
        dict(frame_duration=0.02, input_rate=48000, output_rate=16000, taps=167, coefficient_file="{down}"),
        ["down", 0.02, 48000, 16000, 167, "{down}"],
    ),
    "up 16000 -> 48000 file": (
        velumor.UpSampler,
        dict(frame_duration=0.02, input_rate=16000, output_rate=48000, factor=3, taps=169, coefficient_file="{up}"),
        ["up", 0.02, 16000, 48000, 3, 169, "{up}"],
    ),
}


def _fill(value, files):
    return value.format(**files) if isinstance(value, str) else value


@pytest.fixture(params=list(CONVERTERS), scope="module")
def case(request, filters, frame_reference):
    """(make converter, input frames (n, input_length), C++ output (n, output_length))."""
    cls, kwargs, args = CONVERTERS[request.param]
    kwargs = {k: _fill(v, filters) for k, v in kwargs.items()}

    def make():
        return cls(**kwargs)

    probe = make()
    frames = speech_like(60 * probe.input_length).reshape(60, probe.input_length)
    expected = frame_reference([_fill(a, filters) for a in args], frames)
    return make, frames, expected.reshape(60, probe.output_length)


def test_frames_one_at_a_time_match_the_cxx_classes(case):
    make, frames, expected = case
    converter = make()
    got = np.array([converter.convert(frame) for frame in frames])
    np.testing.assert_array_equal(got, expected)


def test_a_batch_and_out_match_the_cxx_classes(case):
    make, frames, expected = case
    np.testing.assert_array_equal(make().convert(frames), expected)

    converter = make()
    out = np.full(expected.shape, 12345, np.int16)
    assert converter.convert(frames[:25], out=out[:25]) is not None
    converter.convert(frames[25:], out=out[25:])
    np.testing.assert_array_equal(out, expected)

    # One frame into a 1-D out, in place: the frame's own buffer holds the output.
    converter = make()
    length = max(frames.shape[1], expected.shape[1])
    for frame, want in zip(frames, expected):
        shared = np.zeros(length, np.int16)
        shared[: frame.size] = frame
        result = converter.convert(shared[: frame.size], out=shared[: want.size])
        assert result.base is shared.base or result.base is shared
        np.testing.assert_array_equal(shared[: want.size], want)


def test_overlapping_batch_reads_every_frame_before_it_is_overwritten(case):
    make, frames, expected = case
    n, width = frames.shape
    out_width = expected.shape[1]
    buffer = np.zeros(n * max(width, out_width), np.int16)
    buffer[: frames.size] = frames.ravel()
    make().convert(buffer[: frames.size].reshape(n, width), out=buffer[: expected.size].reshape(n, out_width))
    np.testing.assert_array_equal(buffer[: expected.size].reshape(n, out_width), expected)


def test_every_int16_buffer_gives_the_same_output():
    frame = speech_like(441)
    want = velumor.DownSampler(0.02).convert(frame)
    strided = np.zeros(882, np.int16)
    strided[::2] = frame
    for given in [
        frame.tobytes(),
        bytearray(frame.tobytes()),
        memoryview(frame),
        array.array("h", frame.tolist()),
        strided[::2],  # copied
        np.asfortranarray(frame.reshape(1, 441)),  # one frame as a batch
        frame.astype("=i2"),
    ]:
        got = velumor.DownSampler(0.02).convert(given)
        np.testing.assert_array_equal(np.ravel(got), want, err_msg=type(given).__name__)

    # Raw bytes out, and a batch of zero frames.
    out = bytearray(320)
    velumor.DownSampler(0.02).convert(frame, out=out)
    assert bytes(out) == want.tobytes()
    assert velumor.DownSampler(0.02).convert(np.zeros((0, 441), np.int16)).shape == (0, 160)


def test_frames_are_read_in_place():
    frames = speech_like(441 * 4).reshape(4, 441)
    before = sys.getrefcount(frames)
    velumor.DownSampler(0.02).convert(frames)
    assert sys.getrefcount(frames) == before  # the buffer export was released

    # A bytearray with an export cannot be resized; after the call it can.
    data = bytearray(speech_like(441).tobytes())
    velumor.DownSampler(0.02).convert(data)
    data.extend(b"\0\0")


def test_properties_and_version():
    d = velumor.DownSampler(0.02)
    u = velumor.UpSampler(0.01)
    assert (d.input_length, d.output_length, d.taps, d.input_rate, d.output_rate) == (441, 160, 35, 22050, 8000)
    assert (u.input_length, u.output_length, u.taps, u.factor, u.delay) == (80, 220, 145, 8, 9.0)
    assert repr(d) == "velumor.DownSampler(0.02)"
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as cmake:
        assert f"VERSION {velumor.__version__} " in cmake.read().replace("\n", " ")


class NoIndex:
    pass


# (call, exception, words of the message)
ERRORS = [
    (lambda: velumor.DownSampler(0.02).convert(np.zeros(441, np.float32)), TypeError, "int16 only"),
    (lambda: velumor.DownSampler(0.02).convert(np.zeros(441, np.int32)), TypeError, "int32"),
    (lambda: velumor.DownSampler(0.02).convert(np.zeros(441, ">i2")), TypeError, "native byte order"),
    (lambda: velumor.DownSampler(0.02).convert([0] * 441), TypeError, "got list"),
    (lambda: velumor.DownSampler(0.02).convert(np.zeros(440, np.int16)), ValueError, "(441,) or (n, 441), got (440,)"),
    (lambda: velumor.DownSampler(0.02).convert(np.zeros((2, 2, 441), np.int16)), ValueError, "got (2, 2, 441)"),
    (lambda: velumor.DownSampler(0.02).convert(bytes(881)), ValueError, "881 bytes"),
    (lambda: velumor.DownSampler(0.02).convert(np.zeros((3, 441), np.int16), out=np.zeros((2, 160), np.int16)),
     ValueError, "expected shape (3, 160)"),
    (lambda: velumor.DownSampler(0.02).convert(np.zeros(441, np.int16), out=np.zeros(160)), TypeError, "float64"),
    (lambda: velumor.DownSampler(0.02).convert(np.zeros(441, np.int16), out=bytes(320)), ValueError, "read-only"),
    (lambda: velumor.DownSampler(0.02).convert(np.zeros(441, np.int16), out=np.zeros(320, np.int16)[::2]),
     ValueError, "C-contiguous"),
    (lambda: velumor.DownSampler(float("nan")), ValueError, "frame_duration"),
    (lambda: velumor.DownSampler(-0.02), ValueError, "frame_duration"),
    (lambda: velumor.DownSampler(1e-5), ValueError, "holds no sample"),
    (lambda: velumor.UpSampler(1e6), ValueError, "more than"),
    (lambda: velumor.DownSampler("0.02"), TypeError, "expected a number"),
    (lambda: velumor.DownSampler(0.02, taps=35), TypeError, "go with a coefficient_file"),
    (lambda: velumor.UpSampler(0.02, factor=3), TypeError, "go with a coefficient_file"),
    (lambda: velumor.DownSampler(0.02, coefficient_file="lp.txt"), TypeError, "needs taps"),
    (lambda: velumor.UpSampler(0.02, taps=9, coefficient_file="lp.txt"), TypeError, "needs factor and taps"),
    (lambda: velumor.DownSampler(0.02, taps=9.0, coefficient_file="lp.txt"), TypeError, "expected an int"),
    (lambda: velumor.DownSampler(0.02, taps=NoIndex(), coefficient_file="lp.txt"), TypeError, "expected an int"),
    (lambda: velumor.DownSampler(0.02, coefficient_file=3.5, taps=9), TypeError, "expected a path"),
    (lambda: velumor.DownSampler(0.02, coefficient_file="a\0b", taps=9), ValueError, "null byte"),
    (lambda: velumor.DownSampler(0.02, taps=0, coefficient_file="lp.txt"), ValueError, "taps"),
    (lambda: velumor.DownSampler(0.02, taps=2**70, coefficient_file="lp.txt"), ValueError, "taps"),
    (lambda: velumor.UpSampler(0.02, factor=8, taps=7, coefficient_file="lp.txt"), ValueError, "taps"),
    (lambda: velumor.UpSampler(0.02, factor=0, taps=7, coefficient_file="lp.txt"), ValueError, "factor"),
    (lambda: velumor.UpSampler(1.0, input_rate=48000, output_rate=96000, factor=4096, taps=8192,
                               coefficient_file="lp.txt"), ValueError, "factor"),
    (lambda: velumor.DownSampler(0.02, input_rate=8000, output_rate=16000, taps=9, coefficient_file="lp.txt"),
     ValueError, "UpSampler converts up"),
    (lambda: velumor.UpSampler(0.02, input_rate=16000, output_rate=8000, factor=2, taps=9, coefficient_file="lp.txt"),
     ValueError, "DownSampler converts down"),
    (lambda: velumor.DownSampler(0.02, input_rate=float("inf"), output_rate=8000, taps=9, coefficient_file="lp.txt"),
     ValueError, "input_rate"),
    (lambda: velumor.DownSampler(0.02, input_rate=1e39, output_rate=8000, taps=9, coefficient_file="lp.txt"),
     ValueError, "input_rate"),
    (lambda: velumor.DownSampler(0.02, taps=9, coefficient_file="missing.txt"), FileNotFoundError, "missing.txt"),
    (lambda: velumor.UpSampler(0.02, factor=2, taps=9, coefficient_file="."), IsADirectoryError, "'.'"),
]


@pytest.mark.parametrize("call, error, words", ERRORS, ids=[f"{e.__name__}-{i}" for i, (_, e, _) in enumerate(ERRORS)])
def test_wrong_arguments_raise_what_describes_them(call, error, words, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    write_lowpass(tmp_path / "lp.txt", 9, 0.2)
    with pytest.raises(error) as raised:
        call()
    assert words in str(raised.value)


def test_an_unreadable_file_is_refused_before_the_class_is_built(tmp_path):
    path = write_lowpass(tmp_path / "lp.txt", 35, 0.15)
    path.chmod(0)
    if os.access(path, os.R_OK):
        pytest.skip("running as a user who reads every file (root): no PermissionError to see")
    with pytest.raises(PermissionError):
        velumor.DownSampler(0.02, taps=35, coefficient_file=path)


def test_paths_as_pathlike_and_bytes(tmp_path):
    path = write_lowpass(tmp_path / "lp.txt", 35, 0.15)
    frame = speech_like(441)
    want = velumor.DownSampler(0.02, taps=35, coefficient_file=str(path)).convert(frame)
    for given in (path, os.fsencode(path)):
        np.testing.assert_array_equal(velumor.DownSampler(0.02, taps=35, coefficient_file=given).convert(frame), want)


def test_two_threads_on_two_streams_give_the_single_thread_output():
    frames = speech_like(441 * 400).reshape(400, 441)
    want = velumor.DownSampler(0.02).convert(frames)
    results = [None, None]

    def run(slot):
        converter = velumor.DownSampler(0.02)
        results[slot] = np.concatenate([converter.convert(frames[i : i + 10]) for i in range(0, 400, 10)])

    threads = [threading.Thread(target=run, args=(slot,)) for slot in range(2)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for result in results:
        np.testing.assert_array_equal(result, want)


def test_one_object_on_two_threads_at_once_is_refused():
    converter = velumor.DownSampler(1.0)
    frames = np.zeros((100, converter.input_length), np.int16)
    stop = threading.Event()

    def keep_converting():
        while not stop.is_set():
            converter.convert(frames)

    worker = threading.Thread(target=keep_converting)
    worker.start()
    try:
        with pytest.raises(velumor.Error, match="in use on another thread"):
            for _ in range(100000):
                converter.convert(frames[:1])
    finally:
        stop.set()
        worker.join()


def _rss_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def test_many_convert_calls_leave_memory_flat():
    down = velumor.DownSampler(0.02)
    frame = speech_like(441)
    out = np.empty(160, np.int16)

    def calls(count):
        for _ in range(count):
            down.convert(frame)
            down.convert(frame, out=out)

    calls(10000)
    gc.collect()
    tracemalloc.start()
    rss = _rss_bytes()
    traced, _ = tracemalloc.get_traced_memory()
    calls(50000)  # 10^5 calls
    gc.collect()
    traced_after, _ = tracemalloc.get_traced_memory()
    tracemalloc.stop()
    # A leaked 320-byte output per call would be 16 MB; a leaked export, the frame's refcount.
    assert traced_after - traced < 64 * 1024
    assert _rss_bytes() - rss < 2 * 1024 * 1024
    assert sys.getrefcount(frame) == 2
