"""The .ico form shared by the icon generators: one or more square images,
32-bit colour with alpha and their AND masks, rows bottom-up."""
import struct

SIZE = 32


def _image_bytes(rows):
    size = len(rows)
    colour_rows = []
    mask_rows = []
    # AND-mask rows are padded to whole 32-bit words.
    mask_bytes = (size + 31) // 32 * 4
    for row in reversed(rows):
        colour = bytearray()
        bits = 0
        for x, pixel in enumerate(row):
            if pixel is None:
                colour += bytes((0, 0, 0, 0))
                bits |= 1 << (mask_bytes * 8 - 1 - x)
            else:
                r, g, b = pixel[:3]
                alpha = pixel[3] if len(pixel) > 3 else 0xFF
                colour += bytes((b, g, r, alpha))
        colour_rows.append(bytes(colour))
        mask_rows.append(bits.to_bytes(mask_bytes, "big"))
    image = b"".join(colour_rows) + b"".join(mask_rows)
    # The header's height counts the colour and mask halves.
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, len(image), 0, 0, 0, 0)
    return header + image


def ico_bytes(*images):
    """images: square pictures, each a list of rows from the top, each row
    pixels that are None (transparent), (r, g, b) colours or (r, g, b, a)."""
    data = [_image_bytes(rows) for rows in images]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for rows, block in zip(images, data):
        size = len(rows)
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(block), offset)
        offset += len(block)
    return directory + b"".join(data)


def scaled(rows, size):
    """The picture scaled down to size x size pixels, each new pixel the
    average of the area it covers, colours weighted by their coverage."""
    source = len(rows)
    step = source / size
    result = []
    for y in range(size):
        row = []
        for x in range(size):
            total = red = green = blue = 0.0
            top, left = y * step, x * step
            for sy in range(int(top), min(source, int(top + step + 0.999))):
                height = min(sy + 1, top + step) - max(sy, top)
                for sx in range(int(left), min(source, int(left + step + 0.999))):
                    width = min(sx + 1, left + step) - max(sx, left)
                    pixel = rows[sy][sx]
                    if pixel is None or height <= 0 or width <= 0:
                        continue
                    weight = height * width
                    total += weight
                    red += pixel[0] * weight
                    green += pixel[1] * weight
                    blue += pixel[2] * weight
            coverage = total / (step * step)
            if coverage < 0.25:
                row.append(None)
            else:
                row.append((round(red / total), round(green / total), round(blue / total),
                            round(min(1.0, coverage) * 255)))
        result.append(row)
    return result
