#!/usr/bin/env python3
"""Writes seed corpora for the psd, iff, pcx and cel fuzzers: small hand-built files covering
each reader's branches, plus files written by peer tools (ImageMagick, netpbm, Pillow) when they
are installed. Usage: make_raster_seeds.py OUTDIR  (creates OUTDIR/psd, OUTDIR/iff, ...)."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile


def be16(v): return struct.pack('>H', v)
def be32(v): return struct.pack('>I', v)
def le16(v): return struct.pack('<H', v)
def le32(v): return struct.pack('<I', v)


def pattern(w, h, colours=None):
    out = bytearray()
    for y in range(h):
        for x in range(w):
            if colours:
                c = (x // 3 + y * 7) % colours
                out += bytes([c * 37 % 256, 255 - c * 11 % 256, c * 101 % 256])
            else:
                out += bytes([x * 255 // max(w - 1, 1), y * 255 // max(h - 1, 1), (x ^ y) * 9 % 256])
    return bytes(out)


def packbits(row):
    out, i = bytearray(), 0
    while i < len(row):
        run = 1
        while i + run < len(row) and run < 128 and row[i + run] == row[i]:
            run += 1
        if run >= 3:
            out += bytes([257 - run, row[i]])
            i += run
            continue
        start = i
        while i < len(row) and i - start < 128 and not (
                i + 2 < len(row) and row[i] == row[i + 1] == row[i + 2]):
            i += 1
        out += bytes([i - start - 1]) + row[start:i]
    return bytes(out)


def psd_seeds():
    def psd(channels, w, h, mode, colour=b'', compression=0, planes=None):
        out = b'8BPS' + be16(1) + bytes(6) + be16(channels) + be32(h) + be32(w) + be16(8) + be16(mode)
        out += be32(len(colour)) + colour + be32(0) + be32(0) + be16(compression)
        if compression == 0:
            out += b''.join(planes)
        else:
            rows = [packbits(p[y * w:(y + 1) * w]) for p in planes for y in range(h)]
            out += b''.join(be16(len(r)) for r in rows) + b''.join(rows)
        return out
    w, h = 5, 3
    plane = lambda k: bytes((x * k + 7) % 256 for x in range(w * h))
    yield 'rgb_raw', psd(3, w, h, 3, planes=[plane(1), plane(2), plane(3)])
    yield 'rgba_rle', psd(4, w, h, 3, compression=1, planes=[plane(1), bytes(w * h), plane(3), plane(4)])
    yield 'grey_rle', psd(2, w, h, 1, compression=1, planes=[plane(5), plane(6)])
    yield 'indexed', psd(1, w, h, 2, colour=bytes(range(256)) * 3, planes=[plane(9)])
    yield 'duotone', psd(1, w, h, 8, colour=b'dt' * 10, compression=1, planes=[bytes(w * h)])


def iff_seeds():
    def chunk(cid, data):
        return cid + be32(len(data)) + data + (b'\0' if len(data) % 2 else b'')

    def ilbm(w, h, entries, masking=0, extra=b''):
        bmhd = be16(w) + be16(h) + be32(0) + bytes([8, masking, 1, 0]) + be16(3) + bytes([10, 11]) + be16(w) + be16(h)
        cmap = bytes(c for i in range(entries) for c in (i, 255 - i, i * 3 % 256))
        rb = (w + 15) // 16 * 2
        body = bytearray()
        for y in range(h):
            for p in range(9 if masking == 1 else 8):
                row = bytearray(rb)
                for x in range(w):
                    if p == 8 or ((x * 5 + y) % max(entries, 1)) >> p & 1:
                        row[x // 8] |= 0x80 >> (x % 8)
                body += packbits(bytes(row))
        form = b'ILBM' + chunk(b'BMHD', bmhd) + chunk(b'CAMG', be32(4)) + extra + chunk(b'CMAP', cmap) + chunk(b'BODY', bytes(body))
        return chunk(b'FORM', form)
    yield 'small', ilbm(7, 3, 3)
    yield 'wide', ilbm(33, 4, 256, extra=b'ANNO' + be32(3) + b'abc\0')
    yield 'mask', ilbm(16, 2, 16, masking=1)
    yield 'transparent', ilbm(9, 2, 32, masking=2)


def pcx_seeds():
    def header(w, h, bits, planes, bpl, version=5, encoding=1, info=1):
        hd = bytearray(128)
        hd[0:4] = bytes([10, version, encoding, bits])
        hd[8:12] = le16(w - 1) + le16(h - 1)
        for i in range(48):
            hd[16 + i] = i * 5 % 256
        hd[65] = planes
        hd[66:70] = le16(bpl) + le16(info)
        return bytes(hd)

    def rle(data):
        out, i = bytearray(), 0
        while i < len(data):
            run = 1
            while i + run < len(data) and run < 63 and data[i + run] == data[i]:
                run += 1
            if run > 1 or data[i] >= 0xC0:
                out += bytes([0xC0 | run, data[i]])
            else:
                out.append(data[i])
            i += run
        return bytes(out)
    w, h = 6, 3
    lines = lambda planes, bpl: b''.join(bytes((x * 3 + y * 7 + p * 50) % 256 for x in range(bpl)) for y in range(h) for p in range(planes))
    yield 'rgb', header(w, h, 8, 3, 6) + b''.join(rle(lines(3, 6)[i:i + 6]) for i in range(0, 54, 6))
    yield 'pal256', header(w, h, 8, 1, 6) + rle(lines(1, 6)) + b'\x0c' + bytes(i % 256 for i in range(768))
    yield 'planes16', header(13, h, 1, 4, 2) + rle(lines(4, 2))
    yield 'mono_raw', header(13, h, 1, 1, 2, version=3, encoding=0, info=0) + lines(1, 2)
    yield 'rgba_raw', header(w, h, 8, 4, 6, encoding=0) + lines(4, 6)


def cel_seeds():
    w, h = 6, 3
    cel = le16(0x9119) + le16(w) + le16(h) + bytes(4) + bytes([8, 0]) + bytes(20)
    yield 'cel', cel + bytes(i % 64 for i in range(768)) + bytes(range(w * h))

    def sub(t, data): return le32(len(data) + 6) + le16(t) + data
    def frame(subs, t=0xF1FA): return le32(16 + sum(map(len, subs))) + le16(t) + le16(len(subs)) + bytes(8) + b''.join(subs)
    def anim(magic, chunks):
        body = b''.join(chunks)
        return (le32(128 + len(body)) + le16(magic) + le16(len(chunks)) + le16(w) + le16(h) + le16(8) + le16(3) + le32(5)).ljust(128, b'\0') + body
    pal = le16(1) + bytes([0, 0]) + bytes(i * 7 % 256 for i in range(768))
    brun = b''.join(bytes([2, 3, y, 0xFD, 1, 2, 3]) for y in range(h))
    yield 'flc', anim(0xAF12, [frame([sub(1, b'xx')], 0xF100), frame([sub(4, pal), sub(15, brun)])])
    yield 'fli', anim(0xAF11, [frame([sub(11, le16(1) + bytes([2, 3]) + bytes(9)), sub(16, bytes(range(w * h)))])])
    yield 'black', anim(0xAF12, [frame([sub(7, bytes(4))]), frame([sub(13, b'')])])


def peer_seeds(out):
    tmp = tempfile.mkdtemp()
    try:
        for name, (w, h, colours) in {'rgb': (17, 5, None), 'pal': (13, 4, 40), 'sixteen': (11, 3, 16)}.items():
            ppm = os.path.join(tmp, name + '.ppm')
            with open(ppm, 'wb') as f:
                f.write(b'P6\n%d %d\n255\n' % (w, h) + pattern(w, h, colours))
            jobs = []
            if shutil.which('convert'):
                jobs += [('psd', ['convert', ppm, os.path.join(out, 'psd', 'im_' + name + '.psd')]),
                         ('pcx', ['convert', ppm, os.path.join(out, 'pcx', 'im_' + name + '.pcx')])]
            for psd_or_pcx, cmd in jobs:
                subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if shutil.which('ppmtoilbm') and colours:
                with open(os.path.join(out, 'iff', 'netpbm_' + name + '.iff'), 'wb') as f:
                    subprocess.run(['ppmtoilbm', '-fixplanes', '8', ppm], stdout=f, stderr=subprocess.DEVNULL)
            if shutil.which('ppmtopcx'):
                with open(os.path.join(out, 'pcx', 'netpbm_' + name + '.pcx'), 'wb') as f:
                    subprocess.run(['ppmtopcx', ppm], stdout=f, stderr=subprocess.DEVNULL)
    finally:
        shutil.rmtree(tmp)


def main():
    out = sys.argv[1]
    for target, seeds in (('psd', psd_seeds), ('iff', iff_seeds), ('pcx', pcx_seeds), ('cel', cel_seeds)):
        os.makedirs(os.path.join(out, target), exist_ok=True)
        for name, data in seeds():
            with open(os.path.join(out, target, name), 'wb') as f:
                f.write(data)
    peer_seeds(out)


if __name__ == '__main__':
    main()
