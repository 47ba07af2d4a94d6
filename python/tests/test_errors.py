"""Streams the codec cannot read: a WsqError with the library's code and line, and quiet."""

import numpy as np
import pytest

import libwsq
from conftest import conformance_path, marker_offsets

STREAM = conformance_path("fp_416x416_s3_r0.75.wsq").read_bytes()


def _damaged():
    yield "empty", b""
    yield "not WSQ", conformance_path("flat_256x256_128.png").read_bytes()
    for cut in (1, 2, 100, 600, len(STREAM) // 2, len(STREAM) - 1):
        yield f"cut at {cut}", STREAM[:cut]
    # Every segment marker ahead of the first block, its second byte flipped.
    for offset in [0] + marker_offsets(STREAM):
        flipped = bytearray(STREAM)
        flipped[offset + 1] ^= 0x01
        yield f"marker at {offset} flipped", bytes(flipped)


DAMAGED = list(_damaged())


@pytest.mark.parametrize("stream", [s for _, s in DAMAGED], ids=[n for n, _ in DAMAGED])
def test_damaged_stream_raises_wsq_error_and_prints_nothing(stream, capfd):
    with pytest.raises(libwsq.WsqError) as raised:
        libwsq.decode(stream)
    assert raised.value.code < 0
    assert raised.value.message and "\n" not in raised.value.message
    assert str(raised.value.code) in str(raised.value)
    assert capfd.readouterr() == ("", "")


def test_facts_of_a_stream_without_a_frame_header_name_the_missing_frame():
    frame = STREAM.index(b"\xff\xa2")
    length = int.from_bytes(STREAM[frame + 2 : frame + 4], "big")
    without_frame = STREAM[:frame] + STREAM[frame + 2 + length :]
    with pytest.raises(libwsq.WsqError) as raised:
        libwsq.read_facts(without_frame)
    assert raised.value.code == libwsq.ERROR_NO_FRAME


def test_any_single_bit_flip_gives_a_picture_or_wsq_error(capfd):
    for offset in range(0, len(STREAM), 13):
        flipped = bytearray(STREAM)
        flipped[offset] ^= 1 << (offset % 8)
        try:
            pixels, facts = libwsq.decode(flipped)
        except libwsq.WsqError as error:
            assert error.code < 0 and error.message, offset
        else:
            assert pixels.dtype == np.uint8
            assert pixels.shape == (facts["height"], facts["width"]), offset
    assert capfd.readouterr() == ("", "")
