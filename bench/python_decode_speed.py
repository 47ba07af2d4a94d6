#!/usr/bin/python3
"""Decode speed of the Python module beside the C library it wraps. Run by hand:

    /usr/bin/python3 bench/python_decode_speed.py [build dir, default build/release]

Each stream is decoded through libwsq.decode (array and facts dict) and through libwsq.so.1's
wsq_decode called by ctypes (the C library's own speed plus a call's overhead of about a
microsecond). Streams: the conformance streams and two synthetic prints encoded here. Then
the module's throughput with one thread and with two, which shows whether the GIL is let go
while the codec runs.
"""

import ctypes
import statistics
import sys
import threading
import time
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[1]
BUILD = Path(sys.argv[1]) if len(sys.argv) > 1 else SOURCE / "build" / "release"
sys.path.insert(0, str(BUILD / "python"))

import numpy as np  # noqa: E402

import libwsq  # noqa: E402


class WsqError(ctypes.Structure):
    _fields_ = [("code", ctypes.c_int), ("message", ctypes.c_char * 256)]


def c_library():
    lib = ctypes.CDLL(str(BUILD / "capi" / "libwsq.so.1"))
    lib.wsq_decode.argtypes = [
        ctypes.c_void_p,
        ctypes.c_size_t,
        ctypes.POINTER(ctypes.c_void_p),
        ctypes.POINTER(WsqError),
    ]
    lib.wsq_decode.restype = ctypes.c_int
    lib.wsq_image_free.argtypes = [ctypes.c_void_p]
    lib.wsq_image_free.restype = None
    return lib


def c_decoder(lib, stream):
    data = ctypes.create_string_buffer(stream, len(stream))
    image = ctypes.c_void_p()
    error = WsqError()

    def decode():
        if lib.wsq_decode(data, len(stream), ctypes.byref(image), ctypes.byref(error)) != 0:
            raise RuntimeError(error.message.decode())
        lib.wsq_image_free(image)

    return decode


def seconds_per_call(call, budget=0.4, rounds=5):
    """The median over rounds of the mean time of a call, each round about budget/rounds s."""
    start = time.perf_counter()
    call()
    once = max(time.perf_counter() - start, 1e-6)
    repeat = max(1, int(budget / rounds / once))
    samples = []
    for _ in range(rounds):
        start = time.perf_counter()
        for _ in range(repeat):
            call()
        samples.append((time.perf_counter() - start) / repeat)
    return statistics.median(samples)


def ridges(height, width, seed):
    rng = np.random.default_rng(seed)
    y, x = np.mgrid[0:height, 0:width].astype(np.float64)
    radius = np.hypot(y - height / 2, (x - width / 2) * 1.3)
    picture = 128 + 90 * np.sin(radius * 2 * np.pi / 9 + 0.02 * x)
    return np.clip(picture + rng.normal(0, 12, (height, width)), 0, 255).astype(np.uint8)


def streams():
    folder = SOURCE / "tests" / "data" / "conformance"
    for path in sorted(folder.glob("*.wsq")):
        yield path.name, path.read_bytes()
    for height, width, rate in ((750, 800, 0.75), (1000, 1000, 2.25)):
        name = f"synthetic {width}x{height} r{rate}"
        yield name, libwsq.encode(ridges(height, width, 7), bitrate=rate, ppi=500)


def threaded_throughput(stream, threads, calls=40):
    def work():
        for _ in range(calls):
            libwsq.decode(stream)

    workers = [threading.Thread(target=work) for _ in range(threads)]
    start = time.perf_counter()
    for worker in workers:
        worker.start()
    for worker in workers:
        worker.join()
    return threads * calls / (time.perf_counter() - start)


def main():
    lib = c_library()
    print(f"libwsq {libwsq.__version__}, Python {sys.version.split()[0]}, build {BUILD}")
    print(f"{'stream':42} {'pixels':>9} {'C ms':>8} {'Python ms':>10} {'Python/C':>9}")
    biggest = None
    for name, stream in streams():
        pixels, _ = libwsq.decode(stream)
        c_time = seconds_per_call(c_decoder(lib, stream))
        py_time = seconds_per_call(lambda: libwsq.decode(stream))
        print(
            f"{name:42} {pixels.size:9d} {c_time * 1e3:8.3f} {py_time * 1e3:10.3f} "
            f"{py_time / c_time:9.3f}"
        )
        if biggest is None or pixels.size > biggest[0]:
            biggest = (pixels.size, name, stream)

    _, name, stream = biggest
    one = threaded_throughput(stream, 1)
    two = threaded_throughput(stream, 2)
    print(f"\n{name}: {one:.1f} decodes/s on one thread, {two:.1f} on two ({two / one:.2f}x)")


if __name__ == "__main__":
    main()
