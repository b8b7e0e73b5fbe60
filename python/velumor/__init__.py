"""Velumor: bit-exact sampling-rate conversion of 16-bit PCM for numpy.

Frame by frame, bit for bit as the C++ library converts:
    DownSampler, UpSampler
Streams of any chunk size and whole arrays (the stream library):
    Resampler, resample, design_filter
Errors the libraries report: Error (a RuntimeError).
"""

from ._velumor import DownSampler, Error, Resampler, UpSampler, __version__, design_filter, resample

__all__ = ["DownSampler", "Error", "Resampler", "UpSampler", "__version__", "design_filter", "resample"]
