"""PNG files as 8-bit RGB pixels, with nothing but Python's standard library.

Reads what the engine's capture tool and screenshots write (8-bit RGB or RGBA, not interlaced; alpha is dropped)
and writes plain RGB files, for difference pictures. Anything else, and any damaged file, raises PngError naming
the file and the problem; nothing is read past the end of the file or of a chunk.
"""

import struct
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"
# 16384 x 16384 is Direct3D 11's largest texture side; nothing the engine saves is larger.
LARGEST_SIDE = 16384
CHANNELS_BY_COLOUR_TYPE = {2: 3, 6: 4}


class PngError(Exception):
    pass


def read_chunks(path, data):
    """(type, payload) of every chunk up to IEND, each with its CRC checked."""
    if not data.startswith(SIGNATURE):
        raise PngError(f"{path}: not a PNG file")
    pos = len(SIGNATURE)
    while True:
        if pos + 8 > len(data):
            raise PngError(f"{path}: ends before its IEND chunk")
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        end = pos + 8 + length
        if end + 4 > len(data):
            raise PngError(f"{path}: chunk {kind!r} runs past the end of the file")
        payload = data[pos + 8:end]
        if zlib.crc32(kind + payload) != struct.unpack(">I", data[end:end + 4])[0]:
            raise PngError(f"{path}: chunk {kind!r} fails its CRC")
        yield kind, payload
        if kind == b"IEND":
            return
        pos = end + 4


def unfilter(path, raw, height, stride, channels):
    """The pixel rows of a decompressed image, each row's PNG filter undone."""
    pixels = bytearray(height * stride)
    previous = bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind = raw[start]
        row = bytearray(raw[start + 1:start + 1 + stride])
        if kind == 1:
            for i in range(channels, stride):
                row[i] = (row[i] + row[i - channels]) & 255
        elif kind == 2:
            row = bytearray((a + b) & 255 for a, b in zip(row, previous))
        elif kind == 3:
            for i in range(stride):
                left = row[i - channels] if i >= channels else 0
                row[i] = (row[i] + ((left + previous[i]) >> 1)) & 255
        elif kind == 4:
            # Paeth's predictor, written out: this loop is most of the time a picture takes to read.
            for i in range(stride):
                up = previous[i]
                left, up_left = (row[i - channels], previous[i - channels]) if i >= channels else (0, 0)
                estimate = left + up - up_left
                to_left, to_up, to_up_left = abs(estimate - left), abs(estimate - up), abs(estimate - up_left)
                if to_left <= to_up and to_left <= to_up_left:
                    row[i] = (row[i] + left) & 255
                elif to_up <= to_up_left:
                    row[i] = (row[i] + up) & 255
                else:
                    row[i] = (row[i] + up_left) & 255
        elif kind != 0:
            raise PngError(f"{path}: row {y} has unknown filter type {kind}")
        pixels[y * stride:(y + 1) * stride] = row
        previous = row
    return pixels


def read_png(path):
    """(width, height, RGB bytes, row after row) of a PNG file."""
    with open(path, "rb") as f:
        data = f.read()
    header, compressed = None, []
    for kind, payload in read_chunks(path, data):
        if kind == b"IHDR":
            if len(payload) != 13:
                raise PngError(f"{path}: IHDR chunk of {len(payload)} bytes")
            header = struct.unpack(">IIBBBBB", payload)
        elif kind == b"IDAT":
            compressed.append(payload)
    if header is None:
        raise PngError(f"{path}: no IHDR chunk")
    width, height, depth, colour_type, _, _, interlace = header
    if not (0 < width <= LARGEST_SIDE and 0 < height <= LARGEST_SIDE):
        raise PngError(f"{path}: size {width} x {height} is out of range")
    if depth != 8 or colour_type not in CHANNELS_BY_COLOUR_TYPE or interlace != 0:
        raise PngError(f"{path}: only 8-bit RGB or RGBA without interlacing is read "
                       f"(bit depth {depth}, colour type {colour_type}, interlace {interlace})")
    channels = CHANNELS_BY_COLOUR_TYPE[colour_type]
    stride = width * channels
    expected = height * (stride + 1)
    try:
        # At most one byte more than the image needs: a bomb or a padded stream stops there.
        raw = zlib.decompressobj().decompress(b"".join(compressed), expected + 1)
    except zlib.error as e:
        raise PngError(f"{path}: image data does not decompress ({e})") from None
    if len(raw) != expected:
        raise PngError(f"{path}: image data holds {len(raw)} bytes, {width} x {height} needs {expected}")
    pixels = unfilter(path, raw, height, stride, channels)
    if channels == 4:
        del pixels[3::4]
    return width, height, bytes(pixels)


def write_png(path, width, height, rgb):
    """An 8-bit RGB PNG of the pixels, rows unfiltered (for pictures a person looks at, not for keeping)."""
    stride = width * 3
    rows = b"".join(b"\0" + rgb[y * stride:(y + 1) * stride] for y in range(height))

    def chunk(kind, payload):
        return struct.pack(">I", len(payload)) + kind + payload + struct.pack(">I", zlib.crc32(kind + payload))

    with open(path, "wb") as f:
        f.write(SIGNATURE + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows, 6)) + chunk(b"IEND", b""))
