"""Shared pieces of the libwsq tests: the conformance cases and synthetic pictures."""

import os
from pathlib import Path
from typing import NamedTuple, Optional

import numpy as np
import pytest

CONFORMANCE_DIR = Path(
    os.environ.get(
        "WSQ_CONFORMANCE_DIR",
        Path(__file__).resolve().parents[2] / "tests" / "data" / "conformance",
    )
)


class Case(NamedTuple):
    stream: str
    source: str
    bitrate: float
    ppi: int
    comment: Optional[str]

    @property
    def decode(self):
        return self.stream[: -len(".wsq")] + ".dec.png"


CASES = [
    Case("fp_416x416_s3_r0.75.wsq", "fp_416x416_s3.png", 0.75, 500, None),
    Case("fp_101x81_s14_r2.25.wsq", "fp_101x81_s14.png", 2.25, 500, None),
    Case("checker8_256x256_r1.0.wsq", "checker8_256x256.png", 1.0, 500, None),
    Case("flat_256x256_128_r0.75.wsq", "flat_256x256_128.png", 0.75, 500, None),
    Case(
        "comment_plain_fp_417x300_s13_r0.75.wsq",
        "fp_417x300_s13.png",
        0.75,
        500,
        "Scanned at booth 4, left index",
    ),
]


@pytest.fixture(params=CASES, ids=lambda case: case.stream)
def case(request):
    return request.param


def conformance_path(name):
    return CONFORMANCE_DIR / name


def grey_png(name):
    """A conformance PNG's pixels as a (height, width) uint8 array."""
    from PIL import Image

    with Image.open(conformance_path(name)) as img:
        assert img.mode == "L", name
        return np.asarray(img).copy()


def ridges(height, width, seed=0):
    """A synthetic print: curved ridges about 9 pixels apart, with a little noise."""
    rng = np.random.default_rng(seed)
    y, x = np.mgrid[0:height, 0:width].astype(np.float64)
    cy, cx = height * rng.uniform(0.3, 0.7), width * rng.uniform(0.3, 0.7)
    radius = np.hypot(y - cy, (x - cx) * 1.3)
    wave = np.sin(radius * 2 * np.pi / 9 + 0.02 * x)
    picture = 128 + 90 * wave + rng.normal(0, 12, (height, width))
    return np.clip(picture, 0, 255).astype(np.uint8)


def marker_offsets(stream):
    """Offsets of the segment markers ahead of the first block (FF A3), SOI excluded."""
    offsets, pos = [], 2
    while pos + 4 <= len(stream):
        offsets.append(pos)
        if stream[pos : pos + 2] == b"\xff\xa3":
            break
        pos += 2 + int.from_bytes(stream[pos + 2 : pos + 4], "big")
    return offsets
