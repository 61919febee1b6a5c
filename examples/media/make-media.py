#!/usr/bin/env python3
"""Writes the small media files the examples use, all made here from
numbers: a chime (WAV), a tune (MIDI), a backdrop picture (PNG) and a
three-slide presentation (ODP). Run it again after changing it."""
import math
import os
import struct
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def chime():
    rate, notes = 22050, [(784, 0.0), (988, 0.12), (1175, 0.24), (1568, 0.36)]
    length = int(rate * 0.9)
    samples = []
    for i in range(length):
        t = i / rate
        v = 0.0
        for f, start in notes:
            if t >= start:
                d = t - start
                v += 0.22 * math.exp(-d * 6) * math.sin(2 * math.pi * f * d)
        fade = min(1.0, (length - i) / (rate * 0.02))
        samples.append(int(max(-1, min(1, v * fade)) * 30000))
    data = struct.pack("<%dh" % length, *samples)
    return (b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " +
            struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16) + b"data" +
            struct.pack("<I", len(data)) + data)


def tune():
    def vlq(n):
        out = [n & 0x7F]
        n >>= 7
        while n:
            out.insert(0, (n & 0x7F) | 0x80)
            n >>= 7
        return bytes(out)

    melody = [60, 64, 67, 72, 67, 64, 65, 69, 72, 77, 72, 69, 67, 71, 74, 79, 74, 71, 72]
    track = bytearray(b"\x00\xff\x51\x03\x07\xa1\x20")  # 500000 us a beat
    track += b"\x00\xc0\x0b"  # vibraphone
    for note in melody:
        track += b"\x00" + bytes([0x90, note, 80]) + vlq(220) + bytes([0x80, note, 0])
    track += b"\x00\xff\x2f\x00"
    return (b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480) + b"MTrk" +
            struct.pack(">I", len(track)) + bytes(track))


def backdrop():
    width, height = 320, 200
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            hill = 150 + 18 * math.sin(x / 37.0) + 8 * math.sin(x / 13.0 + 1)
            sun = (x - 250) ** 2 + (y - 50) ** 2 < 24 ** 2
            if sun:
                rgb = (255, 220, 90)
            elif y > hill:
                shade = int(20 * (y - hill) / 50)
                rgb = (90 - shade, 170 - shade, 90 - shade)
            else:
                k = y / hill
                rgb = (int(120 + 100 * k), int(170 + 60 * k), 250)
            rows += bytes(rgb)

    def chunk(tag, data):
        return (struct.pack(">I", len(data)) + tag + data +
                struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


def slides(path):
    titles = [("Meet Fennet", "A sprout who shows what ZARNPlay can do"),
              ("What a script holds", "Characters, speech, sounds, a backdrop and slides"),
              ("Thank you", "Open slideshow.zrn to see how this was made")]
    # Sized frames: without a size a text box is one letter wide.
    pages = "".join(
        '<draw:page draw:name="page%d" draw:style-name="dp1">'
        '<draw:frame draw:style-name="gr1" svg:x="2cm" svg:y="5cm" svg:width="24cm" svg:height="3cm">'
        '<draw:text-box><text:p text:style-name="P1">%s</text:p></draw:text-box></draw:frame>'
        '<draw:frame draw:style-name="gr1" svg:x="2cm" svg:y="9cm" svg:width="24cm" svg:height="2cm">'
        '<draw:text-box><text:p text:style-name="P2">%s</text:p></draw:text-box></draw:frame>'
        "</draw:page>" % (i + 1, t, sub) for i, (t, sub) in enumerate(titles))
    styles = (
        "<office:automatic-styles>"
        '<style:style style:name="dp1" style:family="drawing-page">'
        '<style:drawing-page-properties draw:fill="solid" draw:fill-color="#e8f1fb"/></style:style>'
        '<style:style style:name="gr1" style:family="graphic">'
        '<style:graphic-properties draw:fill="none" draw:stroke="none"/></style:style>'
        '<style:style style:name="P1" style:family="paragraph"><style:text-properties'
        ' fo:font-size="40pt" fo:font-weight="bold" fo:color="#2a284e"/></style:style>'
        '<style:style style:name="P2" style:family="paragraph"><style:text-properties'
        ' fo:font-size="22pt" fo:color="#3c4a6b"/></style:style>'
        "</office:automatic-styles>")
    content = (
        '<?xml version="1.0" encoding="UTF-8"?>'
        '<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"'
        ' xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"'
        ' xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"'
        ' xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"'
        ' xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"'
        ' xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2">'
        "%s<office:body><office:presentation>%s</office:presentation></office:body>"
        "</office:document-content>" % (styles, pages))
    manifest = (
        '<?xml version="1.0" encoding="UTF-8"?>'
        '<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0">'
        '<manifest:file-entry manifest:full-path="/" '
        'manifest:media-type="application/vnd.oasis.opendocument.presentation"/>'
        '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
        "</manifest:manifest>")
    fixed = (1980, 1, 1, 0, 0, 0)  # the same bytes on every run
    with zipfile.ZipFile(path, "w") as z:
        z.writestr(zipfile.ZipInfo("mimetype", fixed),
                   "application/vnd.oasis.opendocument.presentation", zipfile.ZIP_STORED)
        for name, text in (("content.xml", content), ("META-INF/manifest.xml", manifest)):
            z.writestr(zipfile.ZipInfo(name, fixed), text, zipfile.ZIP_DEFLATED)


write("chime.wav", chime())
write("tune.mid", tune())
write("backdrop.png", backdrop())
slides(os.path.join(HERE, "slides.odp"))
