#!/usr/bin/env python3
"""Writes the seed corpora of the picture decoder fuzz targets into fuzz/corpus/images_<kind>/.

Every seed is a tiny valid file of its kind (JPEG 2000 seeds through opj_compress from the
libopenjp2-tools package). Run from anywhere; the output is deterministic.
"""
import os
import struct
import subprocess
import tempfile
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def write(kind, name, data):
    folder = os.path.join(ROOT, "images_" + kind)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def png(width, height, colour_type, bit_depth, raw_rows, chunks=()):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    ihdr = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0)
    data = b"".join(b"\0" + row for row in raw_rows)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
    for kind, body in chunks:
        out += chunk(kind, body)
    return out + chunk(b"IDAT", zlib.compress(data, 9)) + chunk(b"IEND", b"")


def tga(image_type, width, height, depth, descriptor, body):
    return struct.pack("<BBB5sHHHHBB", 0, 0, image_type, b"\0" * 5, 0, 0, width, height, depth, descriptor) + body


def bmp(width, height, bits, compression, pixels, palette_entries=0):
    palette = b"".join(struct.pack("<BBBB", i, 2 * i & 255, 3 * i & 255, 0) for i in range(palette_entries))
    offset = 14 + 40 + len(palette)
    header = struct.pack("<HIHHI", 0x4D42, offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(pixels), 2835, 2835,
                       palette_entries, 0)
    return header + info + palette + pixels


def pvr(width, height, mips, pixel_type, bpp, alpha_mask, data):
    return struct.pack("<13I", 52, height, width, mips, 0x8000 | pixel_type, len(data), bpp, 0, 0, 0,
                       alpha_mask, 0x21525650, 1) + data


def main():
    # PNG
    write("png", "rgba_2x2.png", png(2, 2, 6, 8, [bytes(range(8)), bytes(range(8, 16))]))
    write("png", "palette_trns.png",
          png(3, 1, 3, 8, [b"\0\1\2"], [(b"PLTE", b"\xff\0\0\0\xff\0\0\0\xff"), (b"tRNS", b"\x80\x40")]))
    write("png", "grey16.png", png(2, 1, 0, 16, [b"\x12\x34\xab\xcd"]))
    write("png", "grey_alpha.png", png(1, 2, 4, 8, [b"\x10\x20", b"\x30\x40"]))
    # TGA
    write("tga", "raw24_bottom.tga", tga(2, 2, 2, 24, 0x00, bytes(range(12))))
    write("tga", "rle32_top.tga", tga(10, 3, 2, 32, 0x28, b"\x82\1\2\3\4\x02\5\6\7\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10"))
    # BMP
    write("bmp", "rgb24.bmp", bmp(3, 2, 24, 0, bytes(range(9)) + b"\0\0\0" + bytes(range(9, 18)) + b"\0\0\0"))
    write("bmp", "pal8.bmp", bmp(2, 2, 8, 0, b"\1\2\0\0\3\0\0\0", 4))
    write("bmp", "rle8.bmp", bmp(4, 2, 8, 1, b"\3\1\0\0\0\3\1\2\3\0\0\2\0\0\0\1", 4))
    # PVR
    write("pvr", "rgba_2x2_mip.pvr", pvr(2, 2, 1, 0x12, 32, 0, bytes(range(20))))
    write("pvr", "pvrtc4_8x8.pvr", pvr(8, 8, 0, 0x19, 4, 1, bytes((i * 37) & 255 for i in range(32))))
    write("pvr", "pvrtc2_16x8.pvr", pvr(16, 8, 1, 0x18, 2, 0, bytes((i * 91) & 255 for i in range(64))))
    write("pvr", "rgb565_2x2.pvr", pvr(2, 2, 0, 0x13, 16, 0, bytes(range(8))))
    # JPEG 2000, through opj_compress
    with tempfile.TemporaryDirectory() as tmp:
        ppm = os.path.join(tmp, "rgb.ppm")
        with open(ppm, "wb") as f:
            f.write(b"P6\n8 8\n255\n" + bytes((x * 31 + y * 7 + c * 50) & 255
                                              for y in range(8) for x in range(8) for c in range(3)))
        rgba = os.path.join(tmp, "rgba.png")
        with open(rgba, "wb") as f:
            f.write(png(4, 4, 6, 8, [bytes((x * 60 + y * 9 + c) & 255 for x in range(4) for c in range(4))
                                     for y in range(4)]))
        for source, name in ((ppm, "rgb_8x8.jp2"), (rgba, "rgba_4x4.jp2")):
            out = os.path.join(tmp, name)
            subprocess.run(["opj_compress", "-i", source, "-o", out, "-n", "3"], check=True,
                           stdout=subprocess.DEVNULL)
            with open(out, "rb") as f:
                write("jp2", name, f.read())


if __name__ == "__main__":
    main()
