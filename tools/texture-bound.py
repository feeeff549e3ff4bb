#!/usr/bin/env python3
# Writes a uniform picture of SIDE x SIDE pixels in one of the pixel formats
# the decoders give, streamed row by row so that pictures of hundreds of
# megapixels are made in seconds with little memory:
#   texture-bound.py KIND SIDE OUT
# KIND: png-g8 png-ga8 png-rgb8 png-rgba8 png-p8 png-g16 png-ga16 png-rgb16
# png-rgba16, jpeg-g jpeg-rgb jpeg-cmyk, gif, bmp-p8 bmp-24 bmp-32, tiff-g8
# tiff-rgb8 tiff-rgba8 tiff-p8 tiff-g16 tiff-rgb16 tiff-rgba16; gif-N: N
# frames of SIDE x SIDE (or SIDE given as WxH) on a screen of 64 x 64.
# JPEG: every block is mid grey (a DC difference of 0 and no AC), coded with
# one-code Huffman tables, so the scan is a run of zero bits. GIF: literal
# codes of 9 bits, a clear code before the table would widen them; gif-N's
# frames are one colour in ever longer strings, 8,000 x 8,000 in 50 KB.
import struct, sys, zlib

kind, side, out = sys.argv[1], sys.argv[2], sys.argv[3]
w, h = (int(v) for v in side.split('x')) if 'x' in side else (int(side),) * 2


def chunk(t, d):
    return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)


def deflated_rows(row, f, prefix=b''):
    z = zlib.compressobj(1)
    line = prefix + row
    for _ in range(h):
        yield z.compress(line)
    yield z.flush()


def png(f, ctype, depth, channels):
    f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, depth, ctype, 0, 0, 0)))
    if ctype == 3:
        f.write(chunk(b'PLTE', bytes([0x80, 0x40, 0x20]) * 256))
    row = bytes([0x80]) * (w * channels * depth // 8)
    buf = b''
    for piece in deflated_rows(row, f, b'\0'):
        buf += piece
        if len(buf) >= 1 << 20:
            f.write(chunk(b'IDAT', buf))
            buf = b''
    if buf:
        f.write(chunk(b'IDAT', buf))
    f.write(chunk(b'IEND', b''))


def jpeg(f, comps):
    seg = lambda m, d: b'\xff' + bytes([m]) + struct.pack('>H', len(d) + 2) + d
    f.write(b'\xff\xd8')
    if comps == 4:
        f.write(seg(0xEE, b'Adobe' + struct.pack('>HHHB', 100, 0, 0, 0)))
    f.write(seg(0xDB, b'\x00' + bytes([1]) * 64))
    f.write(seg(0xC0, struct.pack('>BHHB', 8, h, w, comps) + b''.join(bytes([i + 1, 0x11, 0]) for i in range(comps))))
    one = bytes([1]) + bytes(15) + b'\x00'  # one code of one bit for symbol 0
    f.write(seg(0xC4, b'\x00' + one + b'\x10' + one))
    f.write(seg(0xDA, bytes([comps]) + b''.join(bytes([i + 1, 0x00]) for i in range(comps)) + b'\x00\x3f\x00'))
    blocks = ((w + 7) // 8) * ((h + 7) // 8) * comps
    nbytes = (blocks * 2 + 7) // 8
    zero = bytes(1 << 20)
    while nbytes > 0:
        n = min(nbytes, len(zero))
        f.write(zero[:n])
        nbytes -= n
    f.write(b'\xff\xd9')


def gif(f):
    f.write(b'GIF89a' + struct.pack('<HHBBB', w, h, 0xF7, 0, 0) + bytes([0x80, 0x40, 0x20]) * 256)
    f.write(b',' + struct.pack('<HHHHB', 0, 0, w, h, 0) + b'\x08')
    # 8 blocks of (clear + 254 literals) in 9 bits make 2295 whole bytes.
    def bits(codes):
        acc = n = 0
        out = bytearray()
        for c in codes:
            acc |= c << n
            n += 9
            while n >= 8:
                out.append(acc & 0xFF)
                acc >>= 8
                n -= 8
        return bytes(out), acc, n
    period, _, _ = bits(([256] + [0x80] * 254) * 8)
    total = w * h
    full = total // (254 * 8)
    rest = total - full * 254 * 8
    codes = []
    while rest > 0:
        k = min(rest, 254)
        codes += [256] + [0x80] * k
        rest -= k
    codes.append(257)
    tail, acc, n = bits(codes)
    if n:
        tail += bytes([acc & 0xFF])
    pending = b''
    def sub(data):
        nonlocal pending
        pending += data
        while len(pending) >= 255:
            f.write(b'\xff' + pending[:255])
            pending = pending[255:]
    big = period * 1000
    left = full
    while left >= 1000:
        sub(big)
        left -= 1000
    sub(period * left + tail)
    if pending:
        f.write(bytes([len(pending)]) + pending)
    f.write(b'\x00;')


def gif_frames(f, count):
    f.write(b'GIF89a' + struct.pack('<HHBBB', 64, 64, 0xF7, 0, 0) + bytes([0x80, 0x40, 0x20]) * 256)
    # After a clear code the k-th code sent is the string of k + 1 pixels, entry 257 + k, the j-th
    # code min(12, bit length of 256 + j) bits wide; a clear once entry 4,094 is made.
    acc = n = 0
    data = bytearray(b'\x08')
    block = bytearray()
    def put(code, width):
        nonlocal acc, n
        acc |= code << n
        n += width
        while n >= 8:
            block.append(acc & 0xFF)
            acc >>= 8
            n -= 8
            if len(block) == 255:
                data.extend(b'\xff' + block)
                block.clear()
    for _ in range(count):
        f.write(b',' + struct.pack('<HHHHB', 0, 0, w, h, 0))
        data[:] = b'\x08'
        left, j, longest = w * h, 0, 1
        put(256, 9)
        while left > 0:
            k = min(longest, left)
            j += 1
            put(0 if k == 1 else 256 + k, min(12, (256 + j).bit_length()))
            left -= k
            longest += 1
            if left and 257 + j == 4094:
                j += 1
                put(256, min(12, (256 + j).bit_length()))
                j, longest = 0, 1
        j += 1
        put(257, min(12, (256 + j).bit_length()))
        if n:
            block.append(acc & 0xFF)
            acc = n = 0
        if block:
            data.extend(bytes([len(block)]) + block)
            block.clear()
        f.write(bytes(data) + b'\x00')
    f.write(b';')


def bmp(f, bits):
    stride = (w * bits // 8 + 3) & ~3
    palette = bytes([0x20, 0x40, 0x80, 0]) * 256 if bits == 8 else b''
    off = 14 + 40 + len(palette)
    f.write(b'BM' + struct.pack('<IHHI', off + stride * h, 0, 0, off))
    f.write(struct.pack('<IiiHHIIiiII', 40, w, h, 1, bits, 0, stride * h, 3780, 3780, 256 if bits == 8 else 0, 0))
    f.write(palette)
    row = bytes([0x80]) * stride
    for _ in range(h):
        f.write(row)


def tiff(f, spp, bps, photometric):
    data = b''.join(deflated_rows(bytes([0x80]) * (w * spp * bps // 8), f))
    entries = []
    def e(tag, typ, count, value):
        entries.append((tag, typ, count, value))
    extra = b''
    base = 8 + len(data)
    e(256, 4, 1, w)
    e(257, 4, 1, h)
    e(258, 3, spp, bps)
    e(259, 3, 1, 8)  # deflate
    e(262, 3, 1, photometric)
    e(273, 4, 1, 8)
    e(277, 3, 1, spp)
    e(278, 4, 1, h)
    e(279, 4, 1, len(data))
    if photometric == 3:
        e(320, 3, 3 * 256, None)
    if spp in (2, 4):
        e(338, 3, 1, 2)  # unassociated alpha
    ifd_off = base
    n = len(entries)
    after = ifd_off + 2 + 12 * n + 4
    ifd = struct.pack('<H', n)
    for tag, typ, count, value in entries:
        if tag == 258 and count > 2:
            ifd += struct.pack('<HHII', tag, typ, count, after + len(extra))
            extra += struct.pack('<' + 'H' * count, *([bps] * count))
        elif tag == 320:
            ifd += struct.pack('<HHII', tag, typ, count, after + len(extra))
            extra += struct.pack('<' + 'H' * count, *([0x8000] * count))
        elif typ == 3 and count == 1:
            ifd += struct.pack('<HHIHH', tag, typ, count, value, 0)
        elif typ == 3 and count == 2:
            ifd += struct.pack('<HHIHH', tag, typ, count, value, value)
        else:
            ifd += struct.pack('<HHII', tag, typ, count, value)
    ifd += struct.pack('<I', 0)
    f.write(b'II*\x00' + struct.pack('<I', ifd_off) + data + ifd + extra)


with open(out, 'wb') as f:
    k = kind
    if k.startswith('png-'):
        t = {'g': (0, 1), 'ga': (4, 2), 'rgb': (2, 3), 'rgba': (6, 4), 'p': (3, 1)}
        name, depth = k[4:].rstrip('0123456789'), int(k[4:].lstrip('gabrp'))
        png(f, t[name][0], depth, t[name][1])
    elif k.startswith('jpeg-'):
        jpeg(f, {'g': 1, 'rgb': 3, 'cmyk': 4}[k[5:]])
    elif k == 'gif':
        gif(f)
    elif k.startswith('gif-'):
        gif_frames(f, int(k[4:]))
    elif k.startswith('bmp-'):
        bmp(f, {'p8': 8, '24': 24, '32': 32}[k[4:]])
    elif k.startswith('tiff-'):
        t = {'g': (1, 1), 'rgb': (3, 2), 'rgba': (4, 2), 'p': (1, 3)}
        name, depth = k[5:].rstrip('0123456789'), int(k[5:].lstrip('gabrp'))
        tiff(f, t[name][0], depth, t[name][1])
    else:
        sys.exit('unknown kind ' + k)
