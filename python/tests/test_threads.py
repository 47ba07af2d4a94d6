"""Threads decode and encode at once (the codec runs without the GIL) and get what one gets."""

from concurrent.futures import ThreadPoolExecutor

import numpy as np

import libwsq
from conftest import CASES, conformance_path, ridges


def test_parallel_decodes_and_encodes_equal_serial_ones():
    streams = [conformance_path(case.stream).read_bytes() for case in CASES]
    pictures = [ridges(96 + 16 * i, 128, seed=i) for i in range(4)]
    jobs = [("decode", s) for s in streams] * 6 + [("encode", p) for p in pictures] * 6

    def run(job):
        kind, data = job
        if kind == "decode":
            pixels, facts = libwsq.decode(data)
            return pixels.tobytes(), facts
        return libwsq.encode(data, bitrate=1.0, ppi=500, comment="thread")

    serial = [run(job) for job in jobs]
    with ThreadPoolExecutor(max_workers=8) as pool:
        parallel = list(pool.map(run, jobs))
    assert parallel == serial


def test_failures_in_threads_stay_with_their_own_calls():
    good = conformance_path("fp_101x81_s14_r2.25.wsq").read_bytes()
    expected, _ = libwsq.decode(good)

    def run(i):
        if i % 2:
            try:
                libwsq.decode(good[: 50 + i])
            except libwsq.WsqError as error:
                return error.code
            return None
        return libwsq.decode(good)[0]

    with ThreadPoolExecutor(max_workers=8) as pool:
        results = list(pool.map(run, range(64)))
    for i, result in enumerate(results):
        if i % 2:
            assert isinstance(result, int) and result < 0
        else:
            np.testing.assert_array_equal(result, expected)
