#include "Picture.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace kmr {

namespace {

constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

uint16_t Get16(const uint8_t *p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t *p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
           (uint32_t(p[3]) << 24);
}
void Put16(std::vector<uint8_t> &v, uint16_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t> &v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}

// One colour channel described by a bit mask of the pixel value.
struct Channel {
    uint32_t mask = 0;
    int shift = 0, bits = 0;

    // Accepts only a non-empty run of consecutive bits.
    bool Set(uint32_t m) {
        if (m == 0) return false;
        shift = std::countr_zero(m);
        bits = std::popcount(m);
        if ((m >> shift) != (bits == 32 ? 0xFFFFFFFFu : ((1u << bits) - 1)))
            return false;
        mask = m;
        return true;
    }
    // The channel's value in the pixel, scaled to 0..255.
    uint32_t Get(uint32_t pixel) const {
        const uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return v >> (bits - 8);
        const uint32_t max = (1u << bits) - 1;
        return (v * 255 + max / 2) / max;
    }
};

// Decodes a DIB whose pixel rows start at `pixelOffset` bytes from `data`,
// or right after the colour table when `pixelOffset` is SIZE_MAX.
bool Decode(const uint8_t *data, size_t size, size_t pixelOffset, Picture &out) {
    if (!data || size < kInfoHeaderSize) return false;
    const uint32_t headerSize = Get32(data);
    if (headerSize < kInfoHeaderSize || headerSize > size) return false;
    const auto width = static_cast<int32_t>(Get32(data + 4));
    const auto height = static_cast<int32_t>(Get32(data + 8));
    const uint16_t planes = Get16(data + 12);
    const uint16_t bpp = Get16(data + 14);
    const uint32_t compression = Get32(data + 16);
    const uint32_t clrUsed = Get32(data + 32);

    if (width < 1 || width > kMaxPictureSide) return false;
    if (height == 0 || height == std::numeric_limits<int32_t>::min()) return false;
    const bool topDown = height < 0;
    const int32_t rows = topDown ? -height : height;
    if (rows > kMaxPictureSide) return false;
    if (planes != 1) return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return false;
    if (compression != kBiRgb && !(compression == kBiBitfields && (bpp == 16 || bpp == 32)))
        return false;

    // Colour masks: inside the header from version 2 (52 bytes) on, else
    // three words right behind a 40-byte header.
    uint64_t tableOffset = headerSize;
    Channel red, green, blue;
    if (compression == kBiBitfields) {
        const uint8_t *masks = data + kInfoHeaderSize;
        if (headerSize < kInfoHeaderSize + 12) {
            if (size - headerSize < 12) return false;
            masks = data + headerSize;
            tableOffset += 12;
        }
        if (!red.Set(Get32(masks)) || !green.Set(Get32(masks + 4)) ||
            !blue.Set(Get32(masks + 8)))
            return false;
    } else if (bpp == 16) {
        red.Set(0x7C00);
        green.Set(0x03E0);
        blue.Set(0x001F);
    }

    uint64_t entries = clrUsed;
    if (bpp <= 8) {
        const uint32_t full = 1u << bpp;
        if (entries == 0) entries = full;
        if (entries > full) return false;
    }
    const uint64_t tableEnd = tableOffset + entries * 4;
    if (tableEnd > size) return false;
    if (pixelOffset == SIZE_MAX) pixelOffset = static_cast<size_t>(tableEnd);
    if (pixelOffset < tableEnd || pixelOffset > size) return false;

    const uint64_t stride = (uint64_t(width) * bpp + 31) / 32 * 4;
    if (stride * uint64_t(rows) > size - pixelOffset) return false;

    std::vector<uint32_t> palette;
    if (bpp <= 8) {
        palette.resize(entries);
        for (uint64_t i = 0; i < entries; ++i) {
            const uint8_t *q = data + tableOffset + i * 4; // blue, green, red, 0
            palette[i] = 0xFF000000u | (uint32_t(q[2]) << 16) | (uint32_t(q[1]) << 8) | q[0];
        }
    }

    Picture pic;
    pic.width = width;
    pic.height = rows;
    pic.pixels.resize(size_t(width) * size_t(rows));
    for (int32_t r = 0; r < rows; ++r) {
        const uint8_t *row = data + pixelOffset + stride * uint64_t(r);
        const int32_t y = topDown ? r : rows - 1 - r;
        uint32_t *dst = pic.pixels.data() + size_t(y) * size_t(width);
        for (int32_t x = 0; x < width; ++x) {
            uint32_t value;
            switch (bpp) {
            case 1:
            case 4:
            case 8: {
                const uint32_t bitPos = uint32_t(x) * bpp;
                const uint8_t byte = row[bitPos / 8];
                const uint32_t index =
                    (byte >> (8 - bpp - bitPos % 8)) & ((1u << bpp) - 1);
                if (index >= palette.size()) return false;
                value = palette[index];
                break;
            }
            case 16: {
                const uint32_t v = Get16(row + 2 * x);
                value = 0xFF000000u | (red.Get(v) << 16) | (green.Get(v) << 8) | blue.Get(v);
                break;
            }
            case 24: {
                const uint8_t *q = row + 3 * x;
                value = 0xFF000000u | (uint32_t(q[2]) << 16) | (uint32_t(q[1]) << 8) | q[0];
                break;
            }
            default: { // 32
                const uint8_t *q = row + 4 * x;
                if (compression == kBiBitfields) {
                    const uint32_t v = Get32(q);
                    value = 0xFF000000u | (red.Get(v) << 16) | (green.Get(v) << 8) |
                            blue.Get(v);
                } else {
                    value = 0xFF000000u | (uint32_t(q[2]) << 16) | (uint32_t(q[1]) << 8) |
                            q[0];
                }
                break;
            }
            }
            dst[x] = value;
        }
    }
    out = std::move(pic);
    return true;
}

} // namespace

bool Picture::Empty() const {
    return width <= 0 || height <= 0 ||
           pixels.size() != size_t(width) * size_t(height);
}

uint32_t Picture::At(int x, int y) const {
    if (Empty() || x < 0 || y < 0 || x >= width || y >= height) return 0;
    return pixels[size_t(y) * size_t(width) + size_t(x)];
}

bool DecodeDib(const uint8_t *data, size_t size, Picture &out) {
    return Decode(data, size, SIZE_MAX, out);
}

bool DecodeBmpFile(const uint8_t *data, size_t size, Picture &out) {
    if (!data || size < kFileHeaderSize || data[0] != 'B' || data[1] != 'M')
        return false;
    const uint32_t offBits = Get32(data + 10);
    if (offBits < kFileHeaderSize || offBits > size) return false;
    return Decode(data + kFileHeaderSize, size - kFileHeaderSize,
                  offBits - kFileHeaderSize, out);
}

std::vector<uint8_t> EncodeDib(const Picture &picture) {
    if (picture.Empty() || picture.width > kMaxPictureSide ||
        picture.height > kMaxPictureSide)
        return {};
    const int w = picture.width, h = picture.height;

    // Up to 16 distinct colours fit a 4-bit table.
    std::vector<uint32_t> palette;
    for (uint32_t p : picture.pixels) {
        const uint32_t rgb = p & 0xFFFFFF;
        bool known = false;
        for (uint32_t c : palette)
            if (c == rgb) {
                known = true;
                break;
            }
        if (!known) {
            palette.push_back(rgb);
            if (palette.size() > 16) break;
        }
    }
    const bool indexed = palette.size() <= 16;
    const uint16_t bpp = indexed ? 4 : 24;
    const size_t stride = (size_t(w) * bpp + 31) / 32 * 4;
    const size_t tableBytes = indexed ? 16 * 4 : 0;

    std::vector<uint8_t> out;
    out.reserve(kInfoHeaderSize + tableBytes + stride * size_t(h));
    Put32(out, kInfoHeaderSize);
    Put32(out, uint32_t(w));
    Put32(out, uint32_t(h)); // positive: bottom-up rows
    Put16(out, 1);           // planes
    Put16(out, bpp);
    Put32(out, kBiRgb);
    Put32(out, uint32_t(stride * size_t(h)));
    Put32(out, 0); // pixels per metre, x
    Put32(out, 0); // pixels per metre, y
    Put32(out, 0); // colours used: the full table
    Put32(out, 0); // colours important: all
    if (indexed) {
        palette.resize(16, 0);
        for (uint32_t c : palette) Put32(out, c); // blue, green, red, 0
    }
    for (int y = h - 1; y >= 0; --y) {
        const uint32_t *src = picture.pixels.data() + size_t(y) * size_t(w);
        const size_t rowStart = out.size();
        if (indexed) {
            for (int x = 0; x < w; x += 2) {
                uint8_t byte = 0;
                for (int k = 0; k < 2 && x + k < w; ++k) {
                    const uint32_t rgb = src[x + k] & 0xFFFFFF;
                    uint8_t index = 0;
                    while (palette[index] != rgb) ++index;
                    byte |= uint8_t(index << (4 - 4 * k));
                }
                out.push_back(byte);
            }
        } else {
            for (int x = 0; x < w; ++x) {
                out.push_back(uint8_t(src[x]));
                out.push_back(uint8_t(src[x] >> 8));
                out.push_back(uint8_t(src[x] >> 16));
            }
        }
        out.resize(rowStart + stride, 0);
    }
    return out;
}

std::vector<uint8_t> EncodeBmpFile(const Picture &picture) {
    std::vector<uint8_t> dib = EncodeDib(picture);
    if (dib.empty()) return {};
    const uint32_t headerSize = Get32(dib.data());
    const uint16_t bpp = Get16(dib.data() + 14);
    const uint32_t offBits =
        uint32_t(kFileHeaderSize + headerSize + (bpp <= 8 ? (4u << bpp) : 0));
    std::vector<uint8_t> out;
    out.reserve(kFileHeaderSize + dib.size());
    out.push_back('B');
    out.push_back('M');
    Put32(out, uint32_t(kFileHeaderSize + dib.size()));
    Put32(out, 0); // reserved
    Put32(out, offBits);
    out.insert(out.end(), dib.begin(), dib.end());
    return out;
}

void Picture::Put(int x, int y, uint32_t colour) {
    if (x >= 0 && y >= 0 && x < width && y < height && pixels.size() == (size_t)width * height)
        pixels[(size_t)y * width + x] = colour;
}

void Picture::Line(int x1, int y1, int x2, int y2, uint32_t colour) {
    const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        Put(x1, y1, colour);
        if (x1 == x2 && y1 == y2) break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x1 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y1 += sy;
        }
    }
}

} // namespace kmr
