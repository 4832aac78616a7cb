// Pictures in memory and the device-independent bitmap (DIB) format in which
// they travel inside resource images and .bmp files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kmr {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels; // top-down rows, 0xFFRRGGBB

    // True when the picture has no pixels (either side is 0, or the pixel
    // vector does not match the size).
    bool Empty() const;
    // The pixel at column x, row y (row 0 on top); 0 outside the picture.
    uint32_t At(int x, int y) const;
    // Sets one pixel; points outside the picture are ignored.
    void Put(int x, int y, uint32_t colour);
    // A one-pixel line, both ends included, clipped to the picture.
    void Line(int x1, int y1, int x2, int y2, uint32_t colour);
};

// The largest width and height a decoder accepts.
constexpr int kMaxPictureSide = 16384;

// Decodes a packed DIB as stored in a bitmap resource: an info header
// (40 bytes or a larger later version, taken by its own size field), the
// colour table, then the pixel rows padded to 4 bytes, bottom-up for a
// positive height and top-down for a negative one. 1, 4, 8, 16, 24 and
// 32 bits per pixel; uncompressed, or with colour masks for 16 and 32 bits.
// Alpha is not kept: every decoded pixel has 0xFF in its top byte. Answers
// false, leaving `out` unchanged, on anything malformed or truncated,
// a palette index beyond the colour table, or a side above kMaxPictureSide.
bool DecodeDib(const uint8_t *data, size_t size, Picture &out);

// Decodes a whole .bmp file: the 14-byte file header ("BM", file size,
// reserved, offset of the pixel rows) followed by a DIB as above.
bool DecodeBmpFile(const uint8_t *data, size_t size, Picture &out);

// Encodes a picture as a packed DIB: 4 bits per pixel with a 16-entry colour
// table when it has at most 16 distinct colours, otherwise 24 bits per pixel;
// bottom-up, uncompressed. The top (alpha) byte of each pixel is not stored.
// Answers an empty vector for an empty picture or one whose pixel vector
// does not match its size.
std::vector<uint8_t> EncodeDib(const Picture &picture);

// A whole .bmp file of the picture: the file header followed by EncodeDib.
std::vector<uint8_t> EncodeBmpFile(const Picture &picture);

} // namespace kmr
