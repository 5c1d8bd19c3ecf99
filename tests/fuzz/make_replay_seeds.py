#!/usr/bin/env python3
"""Writes the fuzz_replay seeds that are damaged on purpose, one for each way
the reader refuses a file, from the real replay kids-lost.grr beside them.

    tests/fuzz/make_replay_seeds.py
"""
import os
import struct
import zlib

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'corpus', 'fuzz_replay')
base = open(os.path.join(here, 'kids-lost.grr'), 'rb').read()


def chunks(data):
    at, out = 12, []
    while at < len(data):
        cid = data[at:at + 4]
        n = struct.unpack('<I', data[at + 4:at + 8])[0]
        out.append([cid, data[at + 8:at + 8 + n]])
        at += 12 + n
    return out


def build(cs, head=base[:12]):
    out = bytearray(head)
    for cid, p in cs:
        out += cid + struct.pack('<I', len(p)) + p + struct.pack('<I', zlib.crc32(cid + p) & 0xffffffff)
    return bytes(out)


def edited(cid, change):
    return build([[c, change(p) if c == cid else p] for c, p in chunks(base)])


seeds = {
    'broken-signature.grr': b'GRRepla!' + base[8:],
    'broken-newer.grr': base[:8] + struct.pack('<H', 2) + base[10:],
    'broken-cut.grr': base[:len(base) // 2],
    'broken-crc.grr': base[:40] + bytes([base[40] ^ 1]) + base[41:],
    'broken-twice.grr': build(chunks(base)[:1] + chunks(base)),
    'broken-no-keys.grr': build([c for c in chunks(base) if c[0] != b'KEYS']),
    'broken-info.grr': edited(b'INFO', lambda p: b'game=x\n'),
    'broken-stage-name.grr': edited(b'STGE', lambda p: struct.pack('<H', 1) + bytes([6]) + b'../etc' + struct.pack('<I', 0)),
    'broken-stage-cut.grr': edited(b'STGE', lambda p: p[:20]),
    'broken-stage-large.grr': edited(b'STGE', lambda p: struct.pack('<H', 2) + (bytes([8]) + b'bshp.dat' + struct.pack('<I', 33000) + bytes(33000)) * 2),
    'broken-keys.grr': edited(b'KEYS', lambda p: bytes([17]) + bytes(17)),
    'broken-checkpoints.grr': edited(b'CHCK', lambda p: p[:4] + struct.pack('<I', 999)),
    'broken-no-checkpoints.grr': edited(b'CHCK', lambda p: p[:4] + struct.pack('<I', 0)),
    'broken-start-cut.grr': edited(b'STRT', lambda p: p[:10]),
    'broken-frames.grr': edited(b'INPT', lambda p: struct.pack('<I', 4000) + p[4:]),
    'broken-input.grr': edited(b'INPT', lambda p: p[:4] + bytes([1]) + p[5:]),
}
for name, data in seeds.items():
    with open(os.path.join(here, name), 'wb') as f:
        f.write(data)
print(f'{len(seeds)} seeds written to {here}')
