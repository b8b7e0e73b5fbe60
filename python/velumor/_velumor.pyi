"""Type stubs of the extension module velumor._velumor."""

import os
from typing import Optional, TypeVar, Union, overload

import numpy as np
import numpy.typing as npt

__version__: str

# Anything that exports an int16 buffer: numpy arrays, bytes, bytearray,
# memoryview of format "h", array.array("h").
Int16Buffer = Union[npt.NDArray[np.int16], bytes, bytearray, memoryview]
PathArgument = Union[str, bytes, os.PathLike]
_Samples = TypeVar("_Samples", npt.NDArray[np.int16], npt.NDArray[np.float32], npt.NDArray[np.float64])

class Error(RuntimeError):
    """An error the libraries report that no built-in exception describes."""

class DownSampler:
    """Frame-by-frame downsampler, bit-exact (CDownSampler); one stream, one thread at a time."""

    @overload
    def __init__(self, frame_duration: float) -> None: ...
    @overload
    def __init__(
        self,
        frame_duration: float,
        input_rate: Optional[float] = None,
        output_rate: Optional[float] = None,
        taps: Optional[int] = None,
        coefficient_file: Optional[PathArgument] = None,
    ) -> None: ...
    def convert(self, frames: Int16Buffer, *, out: Optional[Int16Buffer] = None) -> npt.NDArray[np.int16]:
        """(input_length,) -> (output_length,), or (n, input_length) -> (n, output_length); int16."""
    @property
    def input_length(self) -> int:
        """Input samples per frame."""
    @property
    def output_length(self) -> int:
        """Output samples per frame."""
    @property
    def frame_duration(self) -> float:
        """Seconds per frame."""
    @property
    def input_rate(self) -> float:
        """Input rate, Hz."""
    @property
    def output_rate(self) -> float:
        """Output rate, Hz."""
    @property
    def taps(self) -> int:
        """Filter coefficients in use."""

class UpSampler:
    """Frame-by-frame upsampler, bit-exact (CUpSampler); one stream, one thread at a time."""

    @overload
    def __init__(self, frame_duration: float) -> None: ...
    @overload
    def __init__(
        self,
        frame_duration: float,
        input_rate: Optional[float] = None,
        output_rate: Optional[float] = None,
        factor: Optional[int] = None,
        taps: Optional[int] = None,
        coefficient_file: Optional[PathArgument] = None,
    ) -> None: ...
    def convert(self, frames: Int16Buffer, *, out: Optional[Int16Buffer] = None) -> npt.NDArray[np.int16]:
        """(input_length,) -> (output_length,), or (n, input_length) -> (n, output_length); int16."""
    @property
    def input_length(self) -> int:
        """Input samples per frame."""
    @property
    def output_length(self) -> int:
        """Output samples per frame."""
    @property
    def frame_duration(self) -> float:
        """Seconds per frame."""
    @property
    def input_rate(self) -> float:
        """Input rate, Hz."""
    @property
    def output_rate(self) -> float:
        """Output rate, Hz."""
    @property
    def taps(self) -> int:
        """Filter coefficients in use: factor * (file entries // factor) + 1."""
    @property
    def factor(self) -> int:
        """Upsampling factor L."""
    @property
    def delay(self) -> float:
        """Delay of the output, in input samples."""

class Resampler:
    """A stream converter: chunks of any size, aligned output of exact length; one thread at a time."""

    def __init__(
        self,
        input_rate: int,
        output_rate: int,
        channels: int = 1,
        *,
        frame_duration: Optional[float] = None,
        coefficient_file: Optional[PathArgument] = None,
        taps: Optional[int] = None,
        factor: Optional[int] = None,
    ) -> None: ...
    @overload
    def process(self, chunk: _Samples, *, last: bool = False) -> _Samples: ...
    @overload
    def process(self, chunk: Union[bytes, bytearray, memoryview], *, last: bool = False) -> npt.NDArray[np.int16]: ...
    @property
    def latency(self) -> int:
        """Output samples (per channel) held back."""
    @property
    def input_rate(self) -> int:
        """Input rate, Hz."""
    @property
    def output_rate(self) -> int:
        """Output rate, Hz."""
    @property
    def channels(self) -> int:
        """Interleaved channels."""

@overload
def resample(
    x: _Samples,
    input_rate: int,
    output_rate: int,
    *,
    frame_duration: Optional[float] = None,
    coefficient_file: Optional[PathArgument] = None,
    taps: Optional[int] = None,
    factor: Optional[int] = None,
) -> _Samples: ...
@overload
def resample(
    x: Union[bytes, bytearray, memoryview],
    input_rate: int,
    output_rate: int,
    *,
    frame_duration: Optional[float] = None,
    coefficient_file: Optional[PathArgument] = None,
    taps: Optional[int] = None,
    factor: Optional[int] = None,
) -> npt.NDArray[np.int16]: ...
def design_filter(
    input_rate: int,
    output_rate: int,
    *,
    taps: Optional[int] = None,
    factor: Optional[int] = None,
    path: Optional[PathArgument] = None,
) -> npt.NDArray[np.float32]:
    """The coefficients a stream designs for the rates, float32 (taps,); also written to path."""
