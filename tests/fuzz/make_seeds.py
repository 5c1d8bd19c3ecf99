#!/usr/bin/env python3
"""Writes the made seed inputs of the fuzzers into tests/fuzz/corpus/<fuzzer>/.

    tests/fuzz/make_seeds.py

Every file it writes starts with "gen-"; the seeds without that prefix were
made by hand or by sox (see sox_waves below) and are left alone. Run it again
after a change here and commit what changed. The seeds are chosen so that,
between them, every branch of the code that reads each fuzzer's input is
taken at least once (scripts/fuzz.sh coverage shows it): every header size,
depth and compression of a bitmap, every sample format and chunk layout of a
wave, every code and file shape of a stage, every line form and complaint of
the stage compiler.
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def write(fuzzer, name, data):
    if isinstance(data, str):
        data = data.encode()
    folder = os.path.join(CORPUS, fuzzer)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "gen-" + name), "wb") as f:
        f.write(data)


def u16(v):
    return struct.pack("<H", v & 0xFFFF)


def u32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


# ---- Bitmaps -------------------------------------------------------------
#
# The "same" pictures: 5 x 3, pixel (x, y) (y from the top) of colour
# (x + 2y) % 8, colour k being red if k & 1, green if k & 2, blue if k & 4
# (each 0 or 255, which every depth holds exactly). tests/test_draw.cpp loads
# every gen-same-*.bmp and checks for exactly this picture.
W, H = 5, 3


def index(x, y):
    return (x + 2 * y) % 8


def colour(k):
    return (255 if k & 1 else 0, 255 if k & 2 else 0, 255 if k & 4 else 0)


def bmp(header_size, width, height, depth, compression, table, pixels, masks=b"", offset=None, file_size=None):
    """A bitmap file: file header, a header of `header_size` bytes (the core
    header's fields, or the info header's with `masks` in the fields behind
    it when the header is long enough), the bytes `table` (colour table or
    masks behind the header), then `pixels`."""
    if header_size == 12:
        header = u32(12) + u16(width) + u16(height) + u16(1) + u16(depth)
    else:
        header = u32(header_size) + u32(width) + u32(height) + u16(1) + u16(depth) + u32(compression)
        header += u32(len(pixels)) + u32(2835) + u32(2835) + u32(0) + u32(0)
        header += masks
        header = header[:header_size].ljust(header_size, b"\0")
    if offset is None:
        offset = 14 + header_size + len(table)
    body = header + table + pixels
    size = 14 + len(body) if file_size is None else file_size
    return b"BM" + u32(size) + u32(0) + u32(offset) + body


def table(depth, core=False, entries=None):
    n = (1 << depth) if entries is None else entries
    out = b""
    for k in range(n):
        r, g, b = colour(k % 8)
        out += bytes([b, g, r]) + (b"" if core else b"\0")
    return out


def rows_bottom_up(width, height):
    return [[index(x, height - 1 - r) for x in range(width)] for r in range(height)]


def pad4(row):
    return row + b"\0" * (-len(row) % 4)


def packed(depth, width=W, height=H, top_down=False):
    rows = rows_bottom_up(width, height)
    if top_down:
        rows = rows[::-1]
    out = b""
    for row in rows:
        if depth == 8:
            out += pad4(bytes(row))
        elif depth == 4:
            out += pad4(bytes((row[i] << 4 | (row[i + 1] if i + 1 < len(row) else 0)) for i in range(0, len(row), 2)))
        elif depth == 24:
            out += pad4(b"".join(bytes(colour(k)[::-1]) for k in row))
        elif depth == 32:
            out += b"".join(bytes(colour(k)[::-1]) + b"\0" for k in row)
    return out


def rgb16(row, five_six_five):
    vals = []
    for k in row:
        r, g, b = colour(k)
        if five_six_five:
            vals.append((r >> 3) << 11 | (g >> 2) << 5 | b >> 3)
        else:
            vals.append((r >> 3) << 10 | (g >> 3) << 5 | b >> 3)
    return vals


def packed16(five_six_five):
    out = b""
    for row in rows_bottom_up(W, H):
        out += pad4(b"".join(u16(v) for v in rgb16(row, five_six_five)))
    return out


MASKS565 = u32(0xF800) + u32(0x07E0) + u32(0x001F)
MASKS32 = u32(0xFF0000) + u32(0xFF00) + u32(0xFF)


def rle8(rows, end=True):
    """Run-length codes of 8-bit rows (bottom up): a skipped pixel of colour
    0 at a row's start as a jump, three or more pixels as a literal run,
    the rest as runs of one colour, a line end after each row but the last,
    then the end mark."""
    out = b""
    for r, row in enumerate(rows):
        x = 0
        if row[0] == 0:
            out += bytes([0, 2, 1, 0])
            x = 1
        while x < len(row):
            rest = row[x:]
            if len(rest) >= 3 and len(set(rest[:3])) == 3:
                n = len(rest)
                out += bytes([0, n]) + bytes(rest) + (b"\0" if n % 2 else b"")
                x += n
            else:
                n = 1
                while x + n < len(row) and row[x + n] == row[x]:
                    n += 1
                out += bytes([n, row[x]])
                x += n
        if r + 1 < len(rows):
            out += b"\0\0"
    return out + (b"\0\1" if end else b"")


def rle4(rows):
    """Run-length codes of 4-bit rows: an odd literal run of three, then
    runs of two colours taking turns."""
    out = b""
    for r, row in enumerate(rows):
        lit = row[:3]
        out += bytes([0, 3, lit[0] << 4 | lit[1], lit[2] << 4])
        rest = row[3:]
        out += bytes([len(rest), rest[0] << 4 | (rest[1] if len(rest) > 1 else 0)])
        if r + 1 < len(rows):
            out += b"\0\0"
    return out + b"\0\1"


def pictures():
    same = {
        # The core header: 16-bit sides, three-byte colour table entries.
        "core-4.bmp": bmp(12, W, H, 4, 0, table(4, core=True), packed(4)),
        "core-8.bmp": bmp(12, W, H, 8, 0, table(8, core=True), packed(8)),
        "core-24.bmp": bmp(12, W, H, 24, 0, b"", packed(24)),
        # The info header, every depth and compression.
        "info-4.bmp": bmp(40, W, H, 4, 0, table(4), packed(4)),
        "info-8.bmp": bmp(40, W, H, 8, 0, table(8), packed(8)),
        "info-8-short-table.bmp": bmp(40, W, H, 8, 0, table(8, entries=8), packed(8)),
        "info-8-top-down.bmp": bmp(40, W, -H, 8, 0, table(8), packed(8, top_down=True)),
        "info-16.bmp": bmp(40, W, H, 16, 0, b"", packed16(False)),
        "info-16-fields.bmp": bmp(40, W, H, 16, 3, MASKS565, packed16(True)),
        "info-24.bmp": bmp(40, W, H, 24, 0, b"", packed(24)),
        "info-32.bmp": bmp(40, W, H, 32, 0, b"", packed(32)),
        "info-32-fields.bmp": bmp(40, W, H, 32, 3, MASKS32, packed(32)),
        "info-rle8.bmp": bmp(40, W, H, 8, 1, table(8), rle8(rows_bottom_up(W, H))),
        "info-rle4.bmp": bmp(40, W, H, 4, 2, table(4), rle4(rows_bottom_up(W, H))),
        # The longer headers: masks (52, 56), colour space (108), profile (124).
        "v2-8.bmp": bmp(52, W, H, 8, 0, table(8), packed(8)),
        "v2-16-fields.bmp": bmp(52, W, H, 16, 3, b"", packed16(True), masks=MASKS565),
        "v2-24.bmp": bmp(52, W, H, 24, 0, b"", packed(24)),
        "v2-rle8.bmp": bmp(52, W, H, 8, 1, table(8), rle8(rows_bottom_up(W, H))),
        "v3-32-fields.bmp": bmp(56, W, H, 32, 3, b"", packed(32), masks=MASKS32 + u32(0)),
        "v3-24.bmp": bmp(56, W, H, 24, 0, b"", packed(24)),
        "v4-8.bmp": bmp(108, W, H, 8, 0, table(8), packed(8)),
        "v4-32-fields.bmp": bmp(108, W, H, 32, 3, b"", packed(32), masks=MASKS32 + u32(0) + b"BGRs"),
        "v5-4.bmp": bmp(124, W, H, 4, 0, table(4), packed(4)),
        "v5-16-fields.bmp": bmp(124, W, H, 16, 3, b"", packed16(True), masks=MASKS565 + u32(0) + b"BGRs"),
        "v5-24.bmp": bmp(124, W, H, 24, 0, b"", packed(24)),
        "v5-rle4.bmp": bmp(124, W, H, 4, 2, table(4), rle4(rows_bottom_up(W, H))),
    }
    for name, data in same.items():
        write("fuzz_picture", "same-" + name, data)

    # Run-length codes past the picture: a run past the right edge, a jump
    # past the top row, a run and a literal run above it, then the end mark.
    codes = bytes([9, 1, 0, 0, 0, 3, 2, 3, 4, 0, 0, 2, 1, 5, 4, 7, 0, 3, 1, 2, 3, 0, 0, 1])
    write("fuzz_picture", "rle8-past-edges.bmp", bmp(40, 4, 2, 8, 1, table(8, entries=8), codes))
    # The smallest run-length picture: one pixel, one colour.
    write("fuzz_picture", "rle8-1x1.bmp", bmp(40, 1, 1, 8, 1, table(8, entries=1), bytes([1, 0, 0, 1])))
    codes = bytes([6, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 0, 1])
    write("fuzz_picture", "rle4-long-literal.bmp", bmp(40, 3, 1, 4, 2, table(4), codes))

    # Refused: header sizes no bitmap has (0: the header size once let a
    # run-length picture write past its buffer), a pixel offset inside the
    # headers or past the file, no colour table, masks missing, kinds that
    # are not read, run-length codes cut short.
    write("fuzz_picture", "broken-header-size-0-rle8.bmp",
          b"BM" + u32(40) + u32(0) + u32(14) + u32(0) + u32(1) + u32(1) + u16(1) + u16(8) + u32(1) + b"\0" * 6)
    write("fuzz_picture", "broken-header-size-16.bmp", bmp(16, W, H, 24, 0, b"", packed(24)))
    write("fuzz_picture", "broken-header-size-64.bmp", bmp(64, W, H, 24, 0, b"", packed(24)))
    write("fuzz_picture", "broken-offset-in-header.bmp", bmp(40, W, H, 24, 0, b"", packed(24), offset=40))
    write("fuzz_picture", "broken-no-colour-table.bmp", bmp(40, W, H, 8, 0, b"", packed(8)))
    write("fuzz_picture", "broken-core-no-colour-table.bmp", bmp(12, W, H, 8, 0, b"", packed(8)))
    write("fuzz_picture", "broken-fields-no-masks.bmp", bmp(40, W, H, 16, 3, b"", packed16(True)))
    write("fuzz_picture", "broken-fields-24.bmp", bmp(40, W, H, 24, 3, MASKS32, packed(24)))
    write("fuzz_picture", "broken-jpeg.bmp", bmp(40, W, H, 24, 4, b"", packed(24)))
    write("fuzz_picture", "broken-depth-2.bmp", bmp(40, W, H, 2, 0, table(2), packed(8)))
    write("fuzz_picture", "broken-depth-12.bmp", bmp(40, W, H, 12, 0, b"", packed(24)))
    write("fuzz_picture", "broken-rle8-depth-4.bmp", bmp(40, W, H, 4, 1, table(4), rle8(rows_bottom_up(W, H))))
    write("fuzz_picture", "broken-rle4-depth-8.bmp", bmp(40, W, H, 8, 2, table(8), rle4(rows_bottom_up(W, H))))
    write("fuzz_picture", "broken-rle-top-down.bmp", bmp(40, W, -H, 8, 1, table(8), rle8(rows_bottom_up(W, H))))
    write("fuzz_picture", "broken-rle-no-end.bmp", bmp(40, W, H, 8, 1, table(8), rle8(rows_bottom_up(W, H), end=False)))
    write("fuzz_picture", "broken-rle-literal-cut.bmp", bmp(40, W, H, 8, 1, table(8), bytes([0, 5, 1, 2])))
    write("fuzz_picture", "broken-rle-jump-cut.bmp", bmp(40, W, H, 8, 1, table(8), bytes([0, 2, 1])))
    write("fuzz_picture", "broken-rle-odd-byte.bmp", bmp(40, W, H, 8, 1, table(8), bytes([2, 1, 0])))
    write("fuzz_picture", "broken-tall.bmp", bmp(40, 1, 4097, 24, 0, b"", b""))
    write("fuzz_picture", "broken-top-down-tall.bmp", bmp(40, 1, -4097, 24, 0, b"", b""))
    write("fuzz_picture", "broken-wide-core.bmp", bmp(12, 4097, 1, 24, 0, b"", b""))
    write("fuzz_picture", "broken-zero-height.bmp", bmp(40, W, 0, 24, 0, b"", b""))
    write("fuzz_picture", "broken-core-16.bmp", bmp(12, W, H, 16, 0, b"", packed16(False)))
    write("fuzz_picture", "broken-core-32.bmp", bmp(12, W, H, 32, 0, b"", packed(32)))
    write("fuzz_picture", "broken-rle4-top-down.bmp", bmp(40, W, -H, 4, 2, table(4), rle4(rows_bottom_up(W, H))))
    write("fuzz_picture", "broken-rle-no-colour-table.bmp", bmp(40, W, H, 8, 1, b"", rle8(rows_bottom_up(W, H))))
    write("fuzz_picture", "broken-fields-equal-masks.bmp", bmp(40, W, H, 16, 3, u32(0xF800) * 3, packed16(True)))
    write("fuzz_picture", "broken-empty.bmp", b"")
    write("fuzz_picture", "broken-short.bmp", b"BM" + u32(17) + u32(0))
    write("fuzz_picture", "broken-not-bm.bmp", b"MB" + bmp(40, W, H, 24, 0, b"", packed(24))[2:])
    write("fuzz_picture", "broken-b-only.bmp", b"BX" + bmp(40, W, H, 24, 0, b"", packed(24))[2:])


# ---- Waves ---------------------------------------------------------------

GUID_TAIL = bytes([0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71])


def chunk(cid, payload, length=None):
    return cid + u32(len(payload) if length is None else length) + payload + (b"\0" if len(payload) % 2 else b"")


def riff(chunks, riff_length=None, form=b"WAVE"):
    body = form + b"".join(chunks)
    return b"RIFF" + u32(len(body) if riff_length is None else riff_length) + body


def fmt(tag, channels, rate, bits, align=None, extra=None):
    align = channels * bits // 8 if align is None else align
    out = u16(tag) + u16(channels) + u32(rate) + u32(rate * align) + u16(align) + u16(bits)
    if extra is not None:
        out += u16(len(extra)) + extra
    return out


def extensible(channels, rate, bits, sub, tail=GUID_TAIL, valid=None):
    extra = u16(bits if valid is None else valid) + u32(3 if channels == 2 else 4) + u16(sub) + tail
    return fmt(0xFFFE, channels, rate, bits, extra=extra)


def pcm(bits, values):
    if bits == 8:
        return bytes(v & 0xFF for v in values)
    return b"".join(struct.pack("<i", v)[: bits // 8] for v in values)


def floats(values):
    return b"".join(struct.pack("<f", v) for v in values)


def waves():
    ramp16 = [0, 8000, 16000, 32767, -32768, -8000]
    s24 = [0, 0x400000, 0x7FFFFF, -0x800000, -0x400000, 0x000100]
    s32 = [0, 0x40000000, 0x7FFFFFFF, -0x80000000, -0x40000000, 0x00010000]
    nan, inf = float("nan"), float("inf")
    fl = [0.0, 0.5, 1.0, -1.0, 2.0, -3.0, nan, inf, -inf, -0.25]
    w = {
        "pcm24-mono.wav": riff([chunk(b"fmt ", fmt(1, 1, 44100, 24)), chunk(b"data", pcm(24, s24))]),
        "pcm24-stereo-48000.wav": riff([chunk(b"fmt ", fmt(1, 2, 48000, 24)), chunk(b"data", pcm(24, s24))]),
        "pcm32-mono-22050.wav": riff([chunk(b"fmt ", fmt(1, 1, 22050, 32)), chunk(b"data", pcm(32, s32))]),
        "pcm32-stereo.wav": riff([chunk(b"fmt ", fmt(1, 2, 44100, 32)), chunk(b"data", pcm(32, s32))]),
        # A float format whose "fmt " ends with the record, one with an
        # empty extra count and a "fact" chunk, both channel counts.
        "float-mono-fmt16.wav": riff([chunk(b"fmt ", fmt(3, 1, 44100, 32)), chunk(b"data", floats(fl))]),
        "float-stereo-fact.wav": riff([chunk(b"fmt ", fmt(3, 2, 48000, 32, extra=b"")), chunk(b"fact", u32(5)),
                                       chunk(b"data", floats(fl))]),
        "ext-pcm16-stereo.wav": riff([chunk(b"fmt ", extensible(2, 44100, 16, 1)), chunk(b"data", pcm(16, ramp16))]),
        "ext-pcm24-mono.wav": riff([chunk(b"fmt ", extensible(1, 22050, 24, 1)), chunk(b"data", pcm(24, s24))]),
        "ext-pcm32-valid24.wav": riff([chunk(b"fmt ", extensible(1, 48000, 32, 1, valid=24)),
                                       chunk(b"data", pcm(32, s32))]),
        "ext-pcm8-mono.wav": riff([chunk(b"fmt ", extensible(1, 11025, 8, 1)), chunk(b"data", bytes([0, 128, 255, 7]))]),
        "ext-float-stereo.wav": riff([chunk(b"fmt ", extensible(2, 44100, 32, 3)), chunk(b"data", floats(fl))]),
        # A last frame only in part: one stray byte, or all but one byte.
        "stray-byte-16.wav": riff([chunk(b"fmt ", fmt(1, 1, 44100, 16)), chunk(b"data", pcm(16, ramp16) + b"\x7f")]),
        "stray-bytes-24-stereo.wav": riff([chunk(b"fmt ", fmt(1, 2, 44100, 24)), chunk(b"data", pcm(24, s24[:4]) + b"\1\2\3\4\5")]),
        "stray-byte-8-stereo.wav": riff([chunk(b"fmt ", fmt(1, 2, 8000, 8)), chunk(b"data", bytes([1, 2, 3, 4, 5]))]),
        # Chunk layouts: data ahead of "fmt ", odd chunks padded, a RIFF
        # length short of the file or past it, a "fmt " longer than 16.
        "data-first.wav": riff([chunk(b"LIST", b"INFOabc"), chunk(b"data", pcm(16, ramp16)),
                                chunk(b"fmt ", fmt(1, 1, 44100, 16))]),
        "riff-length-past-end.wav": riff([chunk(b"fmt ", fmt(1, 1, 44100, 16)), chunk(b"data", pcm(16, ramp16))],
                                         riff_length=0xFFFFFFF0),
        "riff-length-short.wav": riff([chunk(b"fmt ", fmt(1, 1, 44100, 16)), chunk(b"data", pcm(16, ramp16))],
                                      riff_length=20),
        "pcm-fmt18.wav": riff([chunk(b"fmt ", fmt(1, 1, 44100, 16, extra=b"")), chunk(b"data", pcm(16, ramp16))]),
        "extra-count-past-chunk.wav": riff([chunk(b"fmt ", fmt(3, 1, 44100, 32) + u16(40) + b"ab"),
                                            chunk(b"data", floats(fl))]),
        # Refused: formats that cannot be played.
        "broken-ext-guid.wav": riff([chunk(b"fmt ", extensible(1, 44100, 16, 1, tail=GUID_TAIL[:-1] + b"\x72")),
                                     chunk(b"data", pcm(16, ramp16))]),
        "broken-ext-adpcm.wav": riff([chunk(b"fmt ", extensible(1, 44100, 16, 2)), chunk(b"data", pcm(16, ramp16))]),
        "broken-ext-short.wav": riff([chunk(b"fmt ", fmt(0xFFFE, 1, 44100, 16, extra=u16(16) + u32(4) + u16(1))),
                                      chunk(b"data", pcm(16, ramp16))]),
        "broken-float64.wav": riff([chunk(b"fmt ", fmt(3, 1, 44100, 64, extra=b"")), chunk(b"data", b"\0" * 16)]),
        "broken-float16.wav": riff([chunk(b"fmt ", fmt(3, 1, 44100, 16, extra=b"")), chunk(b"data", b"\0" * 16)]),
        "broken-pcm12.wav": riff([chunk(b"fmt ", fmt(1, 1, 44100, 12, align=2)), chunk(b"data", b"\0" * 16)]),
        "broken-alaw.wav": riff([chunk(b"fmt ", fmt(6, 1, 8000, 8, extra=b"")), chunk(b"data", b"\0" * 16)]),
        "broken-3-channels.wav": riff([chunk(b"fmt ", fmt(1, 3, 44100, 16)), chunk(b"data", b"\0" * 12)]),
        "broken-0-channels.wav": riff([chunk(b"fmt ", fmt(1, 0, 44100, 16, align=2)), chunk(b"data", b"\0" * 12)]),
        "broken-block-align.wav": riff([chunk(b"fmt ", fmt(1, 2, 44100, 24, align=8)), chunk(b"data", b"\0" * 16)]),
        "broken-less-than-a-frame.wav": riff([chunk(b"fmt ", fmt(1, 2, 44100, 32)), chunk(b"data", b"\0" * 7)]),
        "broken-empty-data.wav": riff([chunk(b"fmt ", fmt(1, 1, 44100, 16)), chunk(b"data", b"")]),
        "broken-too-long-converted.wav": riff([chunk(b"fmt ", fmt(1, 1, 1, 8)), chunk(b"data", b"\x80" * 400)]),
        "broken-not-wave.wav": riff([chunk(b"fmt ", fmt(1, 1, 44100, 16)), chunk(b"data", b"\0\0")], form=b"AVI "),
        "broken-fmt-cut.wav": riff([chunk(b"fmt ", fmt(1, 1, 44100, 16), length=16)])[:30],
        "broken-extra-cut.wav": riff([chunk(b"fmt ", fmt(3, 1, 44100, 32, extra=b""), length=18)])[:37],
        "broken-extra-bytes-cut.wav": riff([chunk(b"fmt ", fmt(3, 1, 44100, 32, extra=b"0123456789"))])[:42],
        "extra-count-short-of-chunk.wav": riff([chunk(b"fmt ", fmt(3, 1, 44100, 32, extra=b"") + b"ab"),
                                                chunk(b"data", floats(fl))]),
        "broken-no-fmt.wav": riff([chunk(b"data", pcm(16, ramp16))]),
        "broken-chunk-header-cut.wav": riff([chunk(b"fmt ", fmt(1, 1, 44100, 16))]) + b"dat",
        "broken-short.wav": b"RIFF" + u32(4) + b"WAV",
    }
    for name, data in w.items():
        write("fuzz_wave", name, data)


def sox_waves():
    """The seeds made by sox (Debian's sox), written by the commands this
    prints into tests/fuzz/corpus/fuzz_wave/: a 1 kHz sine at half scale,
    2 ms long, without dither. sox writes the extensible format by itself
    past 16 bits for integers (not for floats); "-t wavpcm" keeps the plain
    one. The last file is sox's
    16-bit mono one with one stray byte added to its data. tests/test_sound.cpp
    checks their samples. Not run by default (the files are committed):
    tests/fuzz/make_seeds.py --sox"""
    import subprocess
    sine = ["synth", "0.002", "sine", "1000", "vol", "0.5"]
    made = {
        "sox-u8-mono-22050.wav": ["-r", "22050", "-c", "1", "-b", "8", "-e", "unsigned-integer"],
        "sox-s16-stereo-44100.wav": ["-r", "44100", "-c", "2", "-b", "16"],
        "sox-s16-mono-48000.wav": ["-r", "48000", "-c", "1", "-b", "16"],
        "sox-s24-mono-48000-extensible.wav": ["-r", "48000", "-c", "1", "-b", "24"],
        "sox-s24-stereo-44100.wav": ["-r", "44100", "-c", "2", "-b", "24", "-t", "wavpcm"],
        "sox-s32-stereo-48000-extensible.wav": ["-r", "48000", "-c", "2", "-b", "32"],
        "sox-f32-mono-44100.wav": ["-r", "44100", "-c", "1", "-e", "floating-point", "-b", "32"],
        "sox-f32-stereo-22050.wav": ["-r", "22050", "-c", "2", "-e", "floating-point", "-b", "32"],
    }
    folder = os.path.join(CORPUS, "fuzz_wave")
    for name, options in made.items():
        command = ["sox", "-D", "-n"] + options + ["tests/fuzz/corpus/fuzz_wave/" + name] + sine
        print(" ".join(command))
        subprocess.run(command, check=True, cwd=os.path.join(HERE, "..", ".."))
    # One stray byte behind the last whole frame; the RIFF and data lengths
    # grow by one and the file by two (the byte and the chunk's padding).
    with open(os.path.join(folder, "sox-s16-mono-48000.wav"), "rb") as f:
        wave = bytearray(f.read())
    data = wave.index(b"data")
    assert data + 8 + struct.unpack("<I", wave[data + 4:data + 8])[0] == len(wave)
    wave[data + 4:data + 8] = u32(len(wave) - data - 8 + 1)
    wave += b"\x55\0"
    wave[4:8] = u32(len(wave) - 8)
    with open(os.path.join(folder, "sox-s16-mono-48000-stray-byte.wav"), "wb") as f:
        f.write(wave)

# ---- Stage files in play (fuzz_stage) ------------------------------------
#
# The layout of an input is at the top of tests/fuzz/fuzz_stage.cpp: a
# settings byte, the seed byte, six files each as a length byte (255: no
# file) and its bytes (bshp.dat, stageno.txt, stage0.da1, stage0.da2,
# stage1.da1, stage1.da2), then key bytes.
NO_FILE = None


def stage_input(settings, files, keys=b"", seed=7):
    out = bytes([settings, seed])
    for f in files:
        if f is NO_FILE:
            out += b"\xff"
        else:
            assert len(f) < 255
            out += bytes([len(f)]) + f
    return out + keys


def mode(row, character=1, step=2):
    """Settings: the mode row (0 KIDS, 1 STANDARD, 2 MASTER), the character
    row, frames of step x 9 ms."""
    return row | character << 2 | step << 4


def stages():
    # Every first-stream code (depth patterns below 50, flat ones above) and
    # every boss code, 64 of each in one input, one entry a frame, the boss
    # strong enough to last; KIDS, so that the player lives through it.
    for part in range(4):
        codes = range(64 * part, 64 * part + 64)
        shots = b"".join(bytes([codes[i], codes[i + 1], 0]) for i in range(0, 64, 2))
        moves = b"".join(bytes([c, 0]) for c in codes)
        write("fuzz_stage", "codes-%d" % part,
              stage_input(mode(0, part % 3), [b"\xff", b"00", shots, moves, NO_FILE, NO_FILE]))
    # Streams: empty files (closed at their first read), a stream that
    # starts over at its end, entries cut short, long delays.
    write("fuzz_stage", "empty-streams", stage_input(mode(1), [b"\x20", b"1", b"", b"", b"", b""]))
    write("fuzz_stage", "restart", stage_input(mode(2, 2, 1), [b"\x20\x20", b"01", bytes([1, 60, 2]), bytes([3, 1])]
                                                  + [bytes([5, 51, 0, 7]), bytes([9])], b"\x80" * 4 + b"\x10" * 40))
    write("fuzz_stage", "cut-entries", stage_input(mode(1, 0), [b"\x01\x01", b"01", bytes([1, 2, 0, 4, 5]),
                                                      bytes([0, 0, 7]), bytes([2]), b""], b"\x80\x20\x40"))
    # The stage count: signs, one digit, a line end, no number, more than
    # two digits, a count beyond the stage files, no bshp.dat.
    for name, count in [("plus", b"+1"), ("minus", b"-1"), ("digit", b"1\n"), ("newline", b"\n5"),
                        ("letters", b"x1"), ("sign-only", b"-"), ("three-digits", b"123"), ("beyond", b"03")]:
        write("fuzz_stage", "stageno-" + name,
              stage_input(mode(1), [b"\x01\x01\x01\x01", count, bytes([1, 50, 0]), bytes([1, 0]), b"", b""],
                          b"\x80" * 6))
    write("fuzz_stage", "no-bshp", stage_input(mode(2), [NO_FILE, b"01", bytes([50, 60, 1]), NO_FILE, NO_FILE, NO_FILE]))


# ---- Stage source text (fuzz_stagec) -------------------------------------

def stage_texts():
    ok = "boss-hp 1000\n"
    texts = {
        # Every line form that compiles, names in any case, comments, tabs.
        "forms.txt": "# all forms\r\nboss-hp 127500\t# the most\n\v\fshot Depth.Aim-Slow NONE 0.5\n"
                     "shot 255 +7 12.75\nshot 3 4 .05\nshot 5 6 -0\nshot 7 8 1.\n"
                     "move boss.stop 0.10\nrepeat 2 {\n move 49 1\n}\nshot-tail 1 2\nmove-tail 0\n",
        "hp-zero.txt": "boss-hp 0\nmove-tail 255\n",
        # Every complaint.
        "broken-long-odd-token.txt": ok + "shot \x01\x7f\xc3\xa9" + "x" * 50 + " none 1\n",
        "broken-code-range.txt": ok + "shot 256 0 1\n",
        "broken-code-negative.txt": ok + "move -1 1\n",
        "broken-boss-on-shot.txt": ok + "shot boss.stop none 1\n",
        "broken-shot-on-move.txt": ok + "move depth.aim-slow 1\n",
        "broken-none-on-move.txt": ok + "move none 1\n",
        "broken-no-hint.txt": ok + "shot qqqqqqqqqqqqqqqqqqqq none 1\n",
        "broken-tail-word.txt": ok + "shot-tail x\n",
        "broken-tail-range.txt": ok + "move-tail 300\n",
        "broken-missing-field.txt": ok + "shot 1\n",
        "broken-extra-field.txt": ok + "move 1 1 1\n",
        "broken-stream-long.txt": ok + "repeat 100000 {\nmove 1 0\n}\nmove 1 0\n",
        "broken-repeat-long.txt": ok + "repeat 2 {\nrepeat 50001 {\nshot 1 1 0\n}\n}\n",
        "broken-shot-after-tail.txt": ok + "shot-tail 1\nshot 1 1 1\n",
        "broken-move-after-tail.txt": ok + "move-tail 1\nmove 1 1\n",
        "broken-hp-twice.txt": ok + "boss-hp 500\n",
        "broken-hp-word.txt": "boss-hp lots\n",
        "broken-hp-range.txt": "boss-hp 128000\n",
        "broken-hp-negative.txt": "boss-hp -500\n",
        "broken-hp-multiple.txt": "boss-hp 750\n",
        "broken-repeat-word.txt": ok + "repeat x {\n}\n",
        "broken-repeat-range.txt": ok + "repeat 0 {\n}\n",
        "broken-repeat-brace.txt": ok + "repeat 2 (\n",
        "broken-close-extra.txt": ok + "repeat 2 {\n} x\n",
        "broken-close-alone.txt": ok + "}\n",
        "broken-tail-in-repeat.txt": ok + "repeat 2 {\nshot-tail 1\n}\n",
        "broken-tail-twice.txt": ok + "move-tail 1\nmove-tail 2\n",
        "broken-code-as-keyword.txt": ok + "boss.stop 1\n",
        "broken-shot-code-as-keyword.txt": ok + "flat.fan3-mid none 1\n",
        "broken-keyword.txt": ok + "fire 1 1 1\n",
        "broken-delay-word.txt": ok + "shot 1 1 abc\n",
        "broken-delay-dot.txt": ok + "shot 1 1 .\n",
        "broken-delay-letter.txt": ok + "shot 1 1 0.5x\n",
        "broken-delay-negative.txt": ok + "shot 1 1 -0.5\n",
        "broken-delay-digits.txt": ok + "shot 1 1 0.125\n",
        "broken-delay-long.txt": ok + "move 1 12.80\n",
        "broken-delay-huge.txt": ok + "move 1 99999999999\n",
        "broken-sign-only.txt": ok + "shot + none 1\n",
        "broken-code-huge.txt": ok + "move 99999999999 1\n",
        "broken-tail-negative.txt": ok + "shot-tail -1\n",
        "broken-shot-stream-long.txt": ok + "repeat 100000 {\nshot 1 1 0\n}\nshot 1 1 0\n",
        "broken-move-repeat-long.txt": ok + "repeat 2 {\nrepeat 50001 {\nmove 1 0\n}\n}\n",
        "broken-second-code.txt": ok + "shot 1 bogus 1\n",
        "broken-hp-alone.txt": "boss-hp\n",
        "broken-repeat-fields.txt": ok + "repeat 2\n",
        "broken-repeat-huge.txt": ok + "repeat 100001 {\n}\n",
        "broken-tail-fields.txt": ok + "move-tail 1 2\n",
        "broken-move-tail-in-repeat.txt": ok + "repeat 2 {\nmove-tail 1\n}\n",
        "broken-shot-tail-twice.txt": ok + "shot-tail 1\nshot-tail 2\n",
    }
    for name, text in texts.items():
        write("fuzz_stagec", name, text.encode("latin-1"))


if __name__ == "__main__":
    pictures()
    waves()
    stages()
    stage_texts()
    if "--sox" in sys.argv:
        sox_waves()
