"""Test inputs shared by the Python package's tests."""

from pathlib import Path

import numpy as np


def write_lowpass(path: Path, taps: int, cutoff: float, gain: float = 1.0) -> Path:
    """A Hann-windowed sinc low-pass as a coefficient file.

    cutoff: in cycles per sample of the filter's rate; gain: the sum of the
    coefficients.
    """
    n = np.arange(taps) - (taps - 1) / 2
    h = np.sinc(2 * cutoff * n) * np.hanning(taps + 2)[1:-1]
    h *= gain / h.sum()
    path.write_text("".join(f"{i} {value:.9g}\n" for i, value in enumerate(h)))
    return path


def speech_like(samples: int, seed: int = 1) -> np.ndarray:
    """Speech-like test input: tones, noise, loud passages that clip, and silence."""
    rng = np.random.default_rng(seed)
    t = np.arange(samples)
    x = 9000 * np.sin(2 * np.pi * t * 0.013) + 4000 * np.sin(2 * np.pi * t * 0.11)
    x += rng.normal(0, 3000, samples)
    x[samples // 3 : samples // 2] *= 4
    x[-samples // 8 :] = 0
    return np.clip(np.round(x), -32768, 32767).astype(np.int16)

