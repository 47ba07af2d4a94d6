"""What encode takes, what it refuses, and what the stream keeps of it."""

import re

import numpy as np
import pytest
from PIL import Image

import libwsq
from conftest import ridges


def test_round_trip_keeps_size_resolution_and_texts():
    picture = ridges(120, 150, seed=1)
    stream = libwsq.encode(
        picture,
        bitrate=2.25,
        ppi=1000,
        comment="café, left index",
        nistcom=[("SITE", "desk 4"), ("BARE", None)],
    )
    pixels, facts = libwsq.decode(stream)
    assert pixels.shape == picture.shape
    # Lossy, but at 2.25 bits per pixel close to the original.
    assert np.abs(pixels.astype(int) - picture).mean() < 6
    assert facts["ppi"] == 1000
    assert facts["comments"][-1] == "café, left index"
    assert list(facts["nistcom"])[1:3] == ["SITE", "BARE"]
    assert facts["nistcom"]["SITE"] == "desk 4" and facts["nistcom"]["BARE"] is None
    assert facts["nistcom"]["WSQ_BITRATE"].startswith("2.25")


def test_bytes_comment_that_is_not_utf8_reads_back_as_latin1():
    stream = libwsq.encode(ridges(81, 81), comment=b"caf\xe9")
    assert libwsq.read_facts(stream)["comments"][-1] == "café"


def test_strided_and_pillow_pictures_encode_like_their_contiguous_array():
    picture = ridges(100, 130, seed=2)
    expected = libwsq.encode(picture, ppi=500)
    wide = np.zeros((100, 260), np.uint8)
    wide[:, ::2] = picture
    assert libwsq.encode(wide[:, ::2], ppi=500) == expected
    assert libwsq.encode(np.asfortranarray(picture), ppi=500) == expected
    assert libwsq.encode(Image.fromarray(picture, "L"), ppi=500) == expected


@pytest.mark.parametrize(
    "picture, error, words",
    [
        (Image.new("RGB", (90, 90)), ValueError, "'RGB'"),
        (np.zeros((90, 90), np.uint16), TypeError, "uint16"),
        (np.zeros((90, 90), bool), TypeError, "bool"),
        (np.zeros((90, 90, 3), np.uint8), ValueError, "(90, 90, 3)"),
    ],
    ids=["RGB", "uint16", "bool", "3-D"],
)
def test_pictures_that_are_not_8_bit_grey_are_refused_not_converted(picture, error, words):
    with pytest.raises(error, match=re.escape(words)):
        libwsq.encode(picture)


@pytest.mark.parametrize(
    "arguments",
    [
        pytest.param({"bitrate": 0}, id="bit rate 0"),
        pytest.param({"bitrate": float("nan")}, id="NaN bit rate"),
        pytest.param({"nistcom": {"TWO WORDS": "x"}}, id="name with a space"),
        pytest.param({"nistcom": {"A": "x"}, "comment": "NIST_COM 2\nB y"}, id="both NISTCOMs"),
    ],
)
def test_the_librarys_rules_come_back_as_wsq_error(arguments):
    with pytest.raises(libwsq.WsqError) as raised:
        libwsq.encode(ridges(81, 81), **arguments)
    assert raised.value.code == libwsq.ERROR_ARGUMENT
    assert raised.value.message


def test_a_picture_below_the_codecs_least_size_is_the_codecs_error():
    with pytest.raises(libwsq.WsqError) as raised:
        libwsq.encode(ridges(80, 200))
    assert raised.value.code < 0 and "81" in raised.value.message


@pytest.mark.parametrize(
    "arguments",
    [{"comment": "left\0index"}, {"nistcom": {"A": "x\0y"}}, {"nistcom": {"A\0B": "x"}}],
    ids=["comment", "NISTCOM value", "NISTCOM name"],
)
def test_a_zero_byte_inside_a_text_is_refused_rather_than_cut(arguments):
    with pytest.raises(ValueError, match="zero byte"):
        libwsq.encode(ridges(81, 81), **arguments)
