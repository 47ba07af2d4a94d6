"""libwsq: WSQ fingerprint pictures as NumPy arrays, over the C library libwsq.so.1.

    import libwsq
    pixels, facts = libwsq.decode("print.wsq")   # uint8 array (height, width), dict
    stream = libwsq.encode(pixels, bitrate=0.75, ppi=500, comment="left index")

The facts of a stream: width, height, depth, ppi (None when the stream gives none), lossy,
encoder and software (the frame header's numbers), comments (every comment's text, in file
order) and nistcom (the NISTCOM comment's entries, name -> value or None, in file order; None
when the stream has no NISTCOM comment). Texts are read as UTF-8, or as Latin-1 where they are
not valid UTF-8.

A failure of the codec raises WsqError, carrying the library's code and message. The codec runs
without the GIL, so threads decode and encode in parallel.

libwsq.pillow_plugin teaches Pillow to open and save WSQ files.
"""

import numbers
import operator
import os
import sys

import numpy as np

from . import _libwsq
from .errors import WsqError

__all__ = [
    "decode",
    "read_facts",
    "encode",
    "WsqError",
    "ERROR_ARGUMENT",
    "ERROR_MEMORY",
    "ERROR_NO_PICTURE",
    "ERROR_NO_FRAME",
]

__version__ = _libwsq.version

ERROR_ARGUMENT = _libwsq.ERROR_ARGUMENT
ERROR_MEMORY = _libwsq.ERROR_MEMORY
ERROR_NO_PICTURE = _libwsq.ERROR_NO_PICTURE
ERROR_NO_FRAME = _libwsq.ERROR_NO_FRAME


def _stream_bytes(source):
    """A path's contents, or the bytes-like source itself."""
    if isinstance(source, (str, os.PathLike)):
        with open(source, "rb") as file:
            return file.read()
    return source


def decode(source):
    """Decodes a WSQ stream: (uint8 array of shape (height, width), facts dict).

    source is the stream (bytes, bytearray, memoryview or any contiguous buffer) or a path
    (str or os.PathLike) to a file holding it.
    """
    return _libwsq.decode(_stream_bytes(source))


def read_facts(source):
    """The facts of a WSQ stream (see the module's help) without decoding its picture."""
    return _libwsq.read_facts(_stream_bytes(source))


def _grey_pixels(picture):
    """picture as a C-contiguous 2-D uint8 array. Colour is refused, never converted."""
    pillow = sys.modules.get("PIL.Image")
    if pillow is not None and isinstance(picture, pillow.Image):
        if picture.mode != "L":
            raise ValueError(
                f"a Pillow image in mode {picture.mode!r} is not 8-bit grey: "
                "WSQ takes mode 'L' only (convert it first)"
            )
        picture = np.asarray(picture)
    else:
        picture = np.asarray(picture)
    if picture.dtype != np.uint8:
        raise TypeError(f"the picture's samples must be uint8, not {picture.dtype}")
    if picture.ndim != 2:
        raise ValueError(
            f"the picture must be 2-D (height, width) grey, not of shape {picture.shape}"
        )
    return np.ascontiguousarray(picture)


def _nistcom_entries(nistcom):
    if nistcom is None:
        return []
    pairs = nistcom.items() if hasattr(nistcom, "items") else nistcom
    return [(name, value) for name, value in pairs]


def encode(picture, bitrate=0.75, ppi=None, comment=None, nistcom=None):
    """Encodes a grey picture as a WSQ stream (bytes).

    picture: a 2-D uint8 array (height, width), or a Pillow image in mode "L".
    bitrate: bits per pixel; 0.75 is the usual rate for 500 ppi prints, 2.25 keeps more detail.
    ppi: the resolution written in the NISTCOM comment, or None when unknown.
    comment: str (written as UTF-8) or bytes, a comment segment of its own; a text beginning
        with "NIST_COM" is read as NISTCOM text and merged into the NISTCOM comment.
    nistcom: entries for the NISTCOM comment, a mapping or pairs of name -> value (or None for
        a name without value). The entries the encoder writes itself take its values.
    The library's rules on sizes, rates and entries come back as WsqError.
    """
    if not isinstance(bitrate, numbers.Real):
        raise TypeError(f"the bit rate must be a number, not {type(bitrate).__name__}")
    ppi = -1 if ppi is None else operator.index(ppi)
    return _libwsq.encode(
        _grey_pixels(picture), float(bitrate), ppi, comment, _nistcom_entries(nistcom)
    )
