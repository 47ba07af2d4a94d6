"""The Pillow plug-in: opening, loading and saving WSQ through Image."""

import io

import numpy as np
import pytest
from PIL import Image, UnidentifiedImageError

import libwsq
from libwsq import pillow_plugin
from conftest import conformance_path, grey_png, ridges


def test_opens_the_conformance_streams_to_the_reference_pixels(case):
    with Image.open(conformance_path(case.stream)) as img:
        assert (img.format, img.mode) == ("WSQ", "L")
        assert img.get_format_mimetype() == "image/x-wsq"
        assert img.info["dpi"] == (case.ppi, case.ppi)
        assert img.info.get("comment") == case.comment
        assert img.info["nistcom"]["PIX_WIDTH"] == str(img.width)
        np.testing.assert_array_equal(np.asarray(img), grey_png(case.decode))


def test_opening_reads_the_header_only_and_load_reports_a_broken_body():
    stream = conformance_path("fp_416x416_s3_r0.75.wsq").read_bytes()
    cut = stream[: len(stream) // 2]
    with Image.open(io.BytesIO(cut)) as img:
        assert img.size == (416, 416)
        with pytest.raises(OSError, match=r"WSQ.*code -\d+"):
            img.load()


def test_round_trip_through_memory_keeps_pixels_dpi_and_comment():
    picture = ridges(140, 110, seed=3)
    buffer = io.BytesIO()
    Image.fromarray(picture, "L").save(
        buffer, format="WSQ", bitrate=1.5, ppi=600, comment="right thumb"
    )
    assert buffer.getvalue() == libwsq.encode(
        picture, bitrate=1.5, ppi=600, comment="right thumb"
    )
    buffer.seek(0)
    with Image.open(buffer) as img:
        assert img.info["dpi"] == (600, 600)
        assert img.info["comment"] == "right thumb"
        assert img.info["comments"][0].startswith("NIST_COM")
        np.testing.assert_array_equal(np.asarray(img), libwsq.decode(buffer.getvalue())[0])


def test_saving_by_extension_and_saving_again_keeps_resolution_and_comment(tmp_path):
    first, second = tmp_path / "first.wsq", tmp_path / "second.wsq"
    Image.fromarray(ridges(100, 100, seed=4), "L").save(first, dpi=(499.6, 499.6), comment="x")
    with Image.open(first) as img:
        assert img.info["dpi"] == (500, 500)
        img.save(second)
    facts = libwsq.read_facts(second)
    assert facts["ppi"] == 500 and facts["comments"][-1] == "x"
    assert facts["nistcom"]["WSQ_BITRATE"].startswith("0.75")


def test_without_any_resolution_none_is_written_and_no_dpi_read():
    buffer = io.BytesIO()
    Image.fromarray(ridges(90, 90), "L").save(buffer, format="WSQ")
    buffer.seek(0)
    with Image.open(buffer) as img:
        assert "dpi" not in img.info and "comment" not in img.info


@pytest.mark.parametrize("mode", ["RGB", "I;16", "P"])
def test_saving_other_modes_fails_naming_the_mode_and_leaves_no_file(tmp_path, mode):
    target = tmp_path / "colour.wsq"
    with pytest.raises(OSError, match=f"mode {mode} "):
        Image.new(mode, (90, 90)).save(target)
    assert not target.exists()


def test_other_formats_still_open_and_a_false_wsq_is_not_identified(tmp_path):
    pillow_plugin.register()  # registering twice is harmless
    with Image.open(conformance_path("flat_256x256_128.png")) as img:
        assert img.format == "PNG"
    fake = tmp_path / "fake.wsq"
    fake.write_bytes(b"\xff\xa0\xff\xa8" + bytes(60))
    with pytest.raises(UnidentifiedImageError):
        Image.open(fake)
