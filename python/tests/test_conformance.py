"""The independent implementation's streams: decoded to its pixels, encoded to its bytes."""

import numpy as np
import pytest

import libwsq
from conftest import conformance_path, grey_png


def test_decodes_to_the_reference_pixels(case):
    pixels, facts = libwsq.decode(conformance_path(case.stream).read_bytes())
    reference = grey_png(case.decode)
    assert pixels.dtype == np.uint8
    assert pixels.shape == reference.shape == (facts["height"], facts["width"])
    np.testing.assert_array_equal(pixels, reference)


def test_encodes_to_the_reference_bytes(case):
    stream = libwsq.encode(
        grey_png(case.source), bitrate=case.bitrate, ppi=case.ppi, comment=case.comment
    )
    assert stream == conformance_path(case.stream).read_bytes()


def test_facts_without_decoding_match_the_decode(case):
    stream = conformance_path(case.stream).read_bytes()
    facts = libwsq.read_facts(stream)
    assert facts == libwsq.decode(stream)[1]
    assert facts["ppi"] == case.ppi
    assert facts["depth"] == 8 and facts["lossy"] is True
    assert facts["nistcom"]["PPI"] == str(case.ppi)
    assert facts["comments"][0].startswith("NIST_COM")
    expected_plain = [] if case.comment is None else [case.comment]
    assert facts["comments"][1:] == expected_plain


@pytest.mark.parametrize(
    "as_source",
    [
        pytest.param(lambda path: path, id="PathLike"),
        pytest.param(str, id="str path"),
        pytest.param(lambda path: path.read_bytes(), id="bytes"),
        pytest.param(lambda path: memoryview(path.read_bytes()), id="memoryview"),
    ],
)
def test_every_kind_of_source_gives_the_same_picture(as_source):
    path = conformance_path("fp_101x81_s14_r2.25.wsq")
    expected, _ = libwsq.decode(path.read_bytes())
    pixels, facts = libwsq.decode(as_source(path))
    np.testing.assert_array_equal(pixels, expected)
    assert libwsq.read_facts(as_source(path)) == facts
