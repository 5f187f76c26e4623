"""What the checking scripts compare: X screen dumps (`xwd`), PNGs, and pages as headless Chromium shows them."""
import array
import pathlib
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

TOP5 = bytes(v & 0xF8 for v in range(256))
TOP6 = bytes(v & 0xFC for v in range(256))
ALL8 = bytes(range(256))


def read_xwd(path):
    """The screen as three planes of red, green and blue bytes, and the tables that cut an 8-bit
    value to the bits the screen keeps of each: 5-6-5 or 5-5-5 on a 16-bit screen (the planes hold
    those bits at the top), all 8 on a 32-bit one."""
    data = open(path, "rb").read()
    header = struct.unpack(">25I", data[:100])
    header_size, width, height, byte_order, bits, pitch = (header[i] for i in (0, 4, 5, 7, 11, 12))
    masks = header[14:17]
    pixels = data[header_size + header[19] * 12:]
    rows = b"".join(pixels[y * pitch:y * pitch + width * bits // 8] for y in range(height))
    if bits == 16 and masks in ((0xF800, 0x07E0, 0x001F), (0x7C00, 0x03E0, 0x001F)):
        values = array.array("H", rows)
        if (byte_order == 0) != (sys.byteorder == "little"):
            values.byteswap()
        green_bits, green_cut = (6, TOP6) if masks[1] == 0x07E0 else (5, TOP5)
        red = bytes((v >> (green_bits + 2)) & 0xF8 for v in values)
        green = bytes((v >> (green_bits - 3)) & 0xFF for v in values).translate(green_cut)
        blue = bytes((v << 3) & 0xF8 for v in values)
        return width, height, (red, green, blue), (TOP5, green_cut, TOP5)
    assert bits == 32 and all(m in (0xFF, 0xFF00, 0xFF0000) for m in masks), f"unexpected screen: {bits} bits"
    byte_of = [(m.bit_length() - 1) // 8 for m in masks]
    if byte_order != 0:
        byte_of = [3 - b for b in byte_of]
    red, green, blue = (rows[b::4] for b in byte_of)
    return width, height, (red, green, blue), (ALL8, ALL8, ALL8)


def read_png(path):
    """An 8-bit RGB PNG as its width, height and rows of RGB bytes."""
    width, height, channels, rows = read_png_channels(path)
    assert channels == 3, "8-bit RGB expected"
    return width, height, rows


def read_png_channels(path):
    """An 8-bit RGB or RGBA PNG as its width, height, channels (3 or 4) and rows of bytes."""
    data = open(path, "rb").read()
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, color = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and color in (2, 6), f"8-bit RGB(A) expected, not depth {depth}, colour type {color}"
            channels = 3 if color == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        line = bytearray(raw[start + 1:start + 1 + stride])
        unfilter(raw[start], line, previous, channels)
        rows.append(bytes(line))
        previous = line
    return width, height, channels, rows


def unfilter(kind, line, up, step=3):
    if kind == 0:
        return
    for i in range(len(line)):
        a = line[i - step] if i >= step else 0
        b = up[i]
        if kind == 1:
            line[i] = (line[i] + a) & 255
        elif kind == 2:
            line[i] = (line[i] + b) & 255
        elif kind == 3:
            line[i] = (line[i] + (a + b) // 2) & 255
        else:
            c = up[i - step] if i >= step else 0
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255


def chromium(page, *args):
    """Headless Chromium's run of PAGE at 1280x800 with a profile of its own; the check fails unless it succeeds."""
    profile = tempfile.mkdtemp(prefix="chromium.")
    command = ["timeout", "-k", "10", "90", shutil.which("chromium"), "--headless", "--no-sandbox", "--disable-gpu",
               "--disable-quic", "--no-first-run", "--disable-background-networking", "--disable-component-update",
               "--disable-sync", "--user-data-dir=" + profile, "--window-size=1280,800", "--hide-scrollbars",
               "--force-color-profile=srgb", *args, pathlib.Path(page).resolve().as_uri()]
    try:
        run = subprocess.run(command, capture_output=True, text=True)
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    if run.returncode != 0:
        print(" ".join(command), run.stdout[-6000:], run.stderr[-6000:], sep="\n")
        sys.exit(f"{pathlib.Path(sys.argv[0]).name}: chromium exited with {run.returncode}")
    return run
