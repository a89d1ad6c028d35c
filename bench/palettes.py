"""Palettes the benchmarks make themselves, and the one-pixel-a-colour
swatches ImageMagick remaps onto."""
import os

from PIL import Image

# PICO-8's sixteen colours, as its makers publish them.
PICO8 = [(0x00, 0x00, 0x00), (0x1D, 0x2B, 0x53), (0x7E, 0x25, 0x53), (0x00, 0x87, 0x51),
         (0xAB, 0x52, 0x36), (0x5F, 0x57, 0x4F), (0xC2, 0xC3, 0xC7), (0xFF, 0xF1, 0xE8),
         (0xFF, 0x00, 0x4D), (0xFF, 0xA3, 0x00), (0xFF, 0xEC, 0x27), (0x00, 0xE4, 0x36),
         (0x29, 0xAD, 0xFF), (0x83, 0x76, 0x9C), (0xFF, 0x77, 0xA8), (0xFF, 0xCC, 0xAA)]


def write_pico8(work):
    """PICO-8 as a GIMP palette, which palmiro-tool reads as 16 entries."""
    path = os.path.join(work, "pico8.gpl")
    with open(path, "w") as f:
        f.write("GIMP Palette\nName: PICO-8\n#\n")
        for r, g, b in PICO8:
            f.write(f"{r:3d} {g:3d} {b:3d}\tUntitled\n")
    return path


def write_swatch(work, key, colours):
    """One pixel a colour: ImageMagick's -remap takes a picture's colours."""
    path = os.path.join(work, key + ".pal.png")
    p = Image.new("P", (len(colours), 1))
    p.putpalette([v for c in colours for v in c])
    p.putdata(range(len(colours)))
    p.save(path)
    return path
