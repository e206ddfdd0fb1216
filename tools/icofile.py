"""The .ico form shared by the icon generators: one 32x32 image, 32-bit
colour with alpha and its AND mask, rows bottom-up."""
import struct

SIZE = 32


def ico_bytes(rows):
    """rows: SIZE rows from the top, each SIZE pixels that are None
    (transparent) or (r, g, b) colours."""
    colour_rows = []
    mask_rows = []
    for row in reversed(rows):
        colour = bytearray()
        bits = 0
        for x, pixel in enumerate(row):
            if pixel is None:
                colour += bytes((0, 0, 0, 0))
                bits |= 1 << (SIZE - 1 - x)
            else:
                r, g, b = pixel
                colour += bytes((b, g, r, 0xFF))
        colour_rows.append(bytes(colour))
        mask_rows.append(struct.pack(">I", bits))
    image = b"".join(colour_rows) + b"".join(mask_rows)
    # The header's height counts the colour and mask halves.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 32, 0, len(image), 0, 0, 0, 0)
    data = header + image
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(data), 6 + 16)
    return directory + entry + data
