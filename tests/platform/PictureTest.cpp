#include "Picture.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using kmr::Picture;

void Put16(std::vector<uint8_t> &v, uint32_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t> &v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}
void Set32(std::vector<uint8_t> &v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
}

// The description of a DIB to build by hand.
struct Dib {
    int bpp = 8;
    int width = 3;
    int height = 2;      // negative: rows stored top-down
    uint32_t headerSize = 40;
    uint32_t compression = 0;
    std::vector<uint32_t> masks; // written after a 40-byte header
    std::vector<uint32_t> palette; // 0xRRGGBB
    uint32_t clrUsed = 0;
    std::vector<uint32_t> values; // top-down: palette indices, or the pixel value as stored
};

std::vector<uint8_t> Build(const Dib &d) {
    std::vector<uint8_t> v;
    Put32(v, d.headerSize);
    Put32(v, uint32_t(d.width));
    Put32(v, uint32_t(d.height));
    Put16(v, 1);
    Put16(v, uint32_t(d.bpp));
    Put32(v, d.compression);
    Put32(v, 0);
    Put32(v, 2835);
    Put32(v, 2835);
    Put32(v, d.clrUsed);
    Put32(v, 0);
    v.resize(d.headerSize, 0);
    for (uint32_t m : d.masks) Put32(v, m);
    for (uint32_t c : d.palette) Put32(v, c | 0xAB000000u); // reserved byte is ignored
    const int rows = d.height < 0 ? -d.height : d.height;
    const size_t stride = (size_t(d.width) * d.bpp + 31) / 32 * 4;
    for (int r = 0; r < rows; ++r) {
        const int y = d.height < 0 ? r : rows - 1 - r;
        std::vector<uint8_t> row(stride, 0);
        for (int x = 0; x < d.width; ++x) {
            const uint32_t value = d.values[size_t(y) * d.width + x];
            if (d.bpp <= 8) {
                const int bit = x * d.bpp;
                row[bit / 8] |= uint8_t(value << (8 - d.bpp - bit % 8));
            } else {
                for (int k = 0; k < d.bpp / 8; ++k) row[x * (d.bpp / 8) + k] = uint8_t(value >> (8 * k));
            }
        }
        v.insert(v.end(), row.begin(), row.end());
    }
    return v;
}

std::vector<uint32_t> Opaque(std::vector<uint32_t> rgb) {
    for (uint32_t &p : rgb) p |= 0xFF000000u;
    return rgb;
}

TEST(DecodeDib, HandWrittenOneBitBottomUp) {
    // 3 x 2, black and white. Top row: white black white; bottom row: black
    // black white. The bottom row is stored first; rows pad to 4 bytes.
    const std::vector<uint8_t> dib = {
        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 1, 0, // size, w, h, planes, bpp
        0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // compression, image size, ppm
        0, 0, 0, 0, 0, 0, 0, 0,                         // colours used, important
        0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0,                // palette
        0x20, 0, 0, 0,                                  // bottom row 001
        0xA0, 0, 0, 0,                                  // top row 101
    };
    Picture p;
    ASSERT_TRUE(kmr::DecodeDib(dib.data(), dib.size(), p));
    EXPECT_EQ(p.width, 3);
    EXPECT_EQ(p.height, 2);
    EXPECT_EQ(p.pixels, Opaque({0xFFFFFF, 0, 0xFFFFFF, 0, 0, 0xFFFFFF}));
}

TEST(DecodeDib, EveryDepthAndRowOrder) {
    const std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF,
                                           0x123456, 0xFEDCBA, 0x808080, 0xFFFFFF};
    for (int bpp : {1, 4, 8, 24, 32}) {
        for (bool topDown : {false, true}) {
            for (int width : {1, 3, 5, 9}) {
                Dib d;
                d.bpp = bpp;
                d.width = width;
                d.height = topDown ? -3 : 3;
                std::vector<uint32_t> expected;
                for (int i = 0; i < width * 3; ++i) {
                    if (bpp <= 8) {
                        const uint32_t index = uint32_t(i * 5 + i / width) % (bpp == 1 ? 2 : 8);
                        d.values.push_back(index);
                        expected.push_back(palette[index]);
                    } else {
                        const uint32_t rgb = (uint32_t(i) * 0x10307u + 0x0A0B0C) & 0xFFFFFF;
                        // The fourth byte of a 32-bit pixel is not alpha.
                        d.values.push_back(bpp == 32 ? rgb | 0x5A000000u : rgb);
                        expected.push_back(rgb);
                    }
                }
                if (bpp <= 8)
                    d.palette.assign(palette.begin(), palette.begin() + (bpp == 1 ? 2 : 8));
                if (bpp <= 8) d.clrUsed = uint32_t(d.palette.size());
                const std::vector<uint8_t> bytes = Build(d);
                Picture p;
                ASSERT_TRUE(kmr::DecodeDib(bytes.data(), bytes.size(), p))
                    << bpp << " bpp, width " << width << (topDown ? " top-down" : "");
                EXPECT_EQ(p.width, width);
                EXPECT_EQ(p.height, 3);
                EXPECT_EQ(p.pixels, Opaque(expected))
                    << bpp << " bpp, width " << width << (topDown ? " top-down" : "");
            }
        }
    }
}

TEST(DecodeDib, FullColourTableWhenColoursUsedIsZero) {
    Dib d;
    d.bpp = 4;
    d.width = 2;
    d.height = 1;
    for (uint32_t i = 0; i < 16; ++i) d.palette.push_back(i * 0x111111);
    d.values = {15, 7};
    const std::vector<uint8_t> bytes = Build(d);
    Picture p;
    ASSERT_TRUE(kmr::DecodeDib(bytes.data(), bytes.size(), p));
    EXPECT_EQ(p.pixels, Opaque({0xFFFFFF, 0x777777}));
}

TEST(DecodeDib, LargerHeaderVersions) {
    // A 124-byte header: the colour table starts behind the whole header.
    Dib d;
    d.headerSize = 124;
    d.bpp = 8;
    d.width = 2;
    d.height = -1;
    d.palette = {0x112233, 0x445566};
    d.clrUsed = 2;
    d.values = {1, 0};
    std::vector<uint8_t> bytes = Build(d);
    Picture p;
    ASSERT_TRUE(kmr::DecodeDib(bytes.data(), bytes.size(), p));
    EXPECT_EQ(p.pixels, Opaque({0x445566, 0x112233}));

    // With colour masks inside a 108-byte header.
    Dib m;
    m.headerSize = 108;
    m.bpp = 32;
    m.compression = 3;
    m.width = 1;
    m.height = 1;
    m.values = {0x00CCBBAA}; // red in the low byte by these masks
    bytes = Build(m);
    Set32(bytes, 40, 0x000000FF);
    Set32(bytes, 44, 0x0000FF00);
    Set32(bytes, 48, 0x00FF0000);
    ASSERT_TRUE(kmr::DecodeDib(bytes.data(), bytes.size(), p));
    EXPECT_EQ(p.pixels, Opaque({0xAABBCC}));
}

TEST(DecodeDib, SixteenBitsAndMasks) {
    Dib d; // 5-5-5 without masks
    d.bpp = 16;
    d.width = 2;
    d.height = 1;
    d.values = {0x7C00, 0x03FF};
    std::vector<uint8_t> bytes = Build(d);
    Picture p;
    ASSERT_TRUE(kmr::DecodeDib(bytes.data(), bytes.size(), p));
    EXPECT_EQ(p.pixels, Opaque({0xFF0000, 0x00FFFF}));

    d.compression = 3; // 5-6-5 with masks behind a 40-byte header
    d.masks = {0xF800, 0x07E0, 0x001F};
    d.values = {0x07E0, 0x8410};
    bytes = Build(d);
    ASSERT_TRUE(kmr::DecodeDib(bytes.data(), bytes.size(), p));
    EXPECT_EQ(p.pixels, Opaque({0x00FF00, 0x848284}));
}

// A valid 4-bit 3 x 2 DIB with a 3-entry colour table, the base of the
// corruption cases.
Dib SmallIndexed() {
    Dib d;
    d.bpp = 4;
    d.palette = {0x000000, 0x00FF00, 0xFFFFFF};
    d.clrUsed = 3;
    d.values = {0, 1, 2, 2, 1, 0};
    return d;
}

TEST(DecodeDib, RefusesMalformed) {
    struct Case {
        const char *what;
        std::function<void(Dib &)> dib;
        std::function<void(std::vector<uint8_t> &)> bytes;
    } cases[] = {
        {"header size below 40", nullptr, [](auto &b) { Set32(b, 0, 39); }},
        {"header size beyond the data", nullptr, [](auto &b) { Set32(b, 0, uint32_t(b.size() + 1)); }},
        {"header size huge", nullptr, [](auto &b) { Set32(b, 0, 0xFFFFFFF0u); }},
        {"zero width", nullptr, [](auto &b) { Set32(b, 4, 0); }},
        {"negative width", nullptr, [](auto &b) { Set32(b, 4, uint32_t(-3)); }},
        {"zero height", nullptr, [](auto &b) { Set32(b, 8, 0); }},
        {"most negative height", nullptr, [](auto &b) { Set32(b, 8, uint32_t(INT_MIN)); }},
        {"width above the cap", nullptr, [](auto &b) { Set32(b, 4, 16385); }},
        {"height above the cap, top-down", nullptr, [](auto &b) { Set32(b, 8, uint32_t(-16385)); }},
        {"huge sides whose rows overflow", nullptr, [](auto &b) { Set32(b, 4, 0x7FFFFFFF); Set32(b, 8, 0x7FFFFFFF); }},
        {"largest sides, data missing", nullptr, [](auto &b) { Set32(b, 4, 16384); Set32(b, 8, 16384); }},
        {"two planes", nullptr, [](auto &b) { b[12] = 2; }},
        {"2 bits per pixel", nullptr, [](auto &b) { b[14] = 2; }},
        {"0 bits per pixel", nullptr, [](auto &b) { b[14] = 0; }},
        {"run-length compression", nullptr, [](auto &b) { Set32(b, 16, 2); }},
        {"masks with 4 bits", nullptr, [](auto &b) { Set32(b, 16, 3); }},
        {"more colours than 4 bits hold", nullptr, [](auto &b) { Set32(b, 32, 17); }},
        {"colour count overflows", nullptr, [](auto &b) { Set32(b, 32, 0x40000001); }},
        {"pixel index beyond the table", [](Dib &d) { d.values[4] = 3; }, nullptr},
        {"one byte short", nullptr, [](auto &b) { b.pop_back(); }},
        {"masks on 24 bits", [](Dib &d) { d = Dib{}; d.bpp = 24; d.compression = 3; d.masks = {0xFF0000, 0xFF00, 0xFF}; d.values.assign(6, 0); }, nullptr},
        {"zero mask", [](Dib &d) { d = Dib{}; d.bpp = 32; d.compression = 3; d.masks = {0xFF0000, 0, 0xFF}; d.values.assign(6, 0); }, nullptr},
        {"mask with a gap", [](Dib &d) { d = Dib{}; d.bpp = 16; d.compression = 3; d.masks = {0xF00F, 0x0F00, 0x00F0}; d.values.assign(6, 0); }, nullptr},
        {"masks cut off", [](Dib &d) { d = Dib{}; d.bpp = 32; d.compression = 3; d.width = 0; d.height = 0; }, [](auto &b) { Set32(b, 4, 1); Set32(b, 8, 1); b.resize(44); }},
    };
    for (const Case &c : cases) {
        Dib d = SmallIndexed();
        if (c.dib) c.dib(d);
        std::vector<uint8_t> bytes = Build(d);
        if (c.bytes) c.bytes(bytes);
        Picture p;
        p.width = 7; // must stay untouched
        EXPECT_FALSE(kmr::DecodeDib(bytes.data(), bytes.size(), p)) << c.what;
        EXPECT_EQ(p.width, 7) << c.what;
    }
    Picture p;
    EXPECT_FALSE(kmr::DecodeDib(nullptr, 100, p));
}

TEST(DecodeDib, EveryTruncationIsRefused) {
    const std::vector<uint8_t> bytes = Build(SmallIndexed());
    Picture p;
    ASSERT_TRUE(kmr::DecodeDib(bytes.data(), bytes.size(), p));
    for (size_t n = 0; n < bytes.size(); ++n) {
        // A copy of exactly n bytes, so a read past it is a read past an allocation.
        std::vector<uint8_t> part(bytes.begin(), bytes.begin() + n);
        EXPECT_FALSE(kmr::DecodeDib(part.data(), part.size(), p)) << n << " bytes";
    }
}

std::vector<uint8_t> FileHeader(uint32_t fileSize, uint32_t offBits) {
    std::vector<uint8_t> h = {'B', 'M'};
    Put32(h, fileSize);
    Put32(h, 0);
    Put32(h, offBits);
    return h;
}

TEST(DecodeBmpFile, UsesThePixelOffset) {
    std::vector<uint8_t> dib = Build(SmallIndexed());
    const size_t tableEnd = 40 + 3 * 4;
    // Four bytes of gap between the colour table and the pixels.
    dib.insert(dib.begin() + tableEnd, 4, 0xEE);
    std::vector<uint8_t> file = FileHeader(uint32_t(14 + dib.size()), uint32_t(14 + tableEnd + 4));
    file.insert(file.end(), dib.begin(), dib.end());
    Picture p;
    ASSERT_TRUE(kmr::DecodeBmpFile(file.data(), file.size(), p));
    EXPECT_EQ(p.pixels, Opaque({0, 0x00FF00, 0xFFFFFF, 0xFFFFFF, 0x00FF00, 0}));

    struct Case {
        const char *what;
        std::function<void(std::vector<uint8_t> &)> change;
    } bad[] = {
        {"no signature", [](auto &f) { f[0] = 'X'; }},
        {"pixels beyond the end", [](auto &f) { Set32(f, 10, uint32_t(f.size() + 1)); }},
        {"pixels inside the colour table", [](auto &f) { Set32(f, 10, 14 + 40); }},
        {"pixels inside the file header", [](auto &f) { Set32(f, 10, 2); }},
        {"pixel rows cut short", [](auto &f) { f.resize(f.size() - 1); }},
        {"only the file header", [](auto &f) { f.resize(14); }},
    };
    for (const Case &c : bad) {
        std::vector<uint8_t> f = file;
        c.change(f);
        EXPECT_FALSE(kmr::DecodeBmpFile(f.data(), f.size(), p)) << c.what;
    }
}

Picture Pattern(int width, int height, int colours) {
    Picture p;
    p.width = width;
    p.height = height;
    for (int i = 0; i < width * height; ++i)
        p.pixels.push_back(0xFF000000u | (uint32_t((i * 7) % colours) * 0x0F1E2Du & 0xFFFFFF));
    return p;
}

TEST(EncodeDib, RoundTripIsExact) {
    struct Case {
        int width, height, colours, bpp;
    } cases[] = {
        {1, 1, 1, 4},  {32, 32, 16, 4}, {22, 22, 5, 4}, {3, 7, 2, 4},
        {5, 3, 16, 4}, {9, 2, 17, 24},  {64, 32, 200, 24}, {5, 4, 17, 24},
    };
    for (const Case &c : cases) {
        const Picture pic = Pattern(c.width, c.height, c.colours);
        const std::vector<uint8_t> dib = kmr::EncodeDib(pic);
        ASSERT_GE(dib.size(), 40u);
        EXPECT_EQ(dib[14], c.bpp) << c.width << "x" << c.height;
        EXPECT_GT(int32_t(dib[8] | dib[9] << 8 | dib[10] << 16 | dib[11] << 24), 0)
            << "rows are stored bottom-up";
        Picture back;
        ASSERT_TRUE(kmr::DecodeDib(dib.data(), dib.size(), back));
        EXPECT_EQ(back.width, pic.width);
        EXPECT_EQ(back.height, pic.height);
        EXPECT_EQ(back.pixels, pic.pixels) << c.width << "x" << c.height;

        const std::vector<uint8_t> file = kmr::EncodeBmpFile(pic);
        ASSERT_TRUE(kmr::DecodeBmpFile(file.data(), file.size(), back));
        EXPECT_EQ(back.pixels, pic.pixels);
    }
}

TEST(EncodeDib, RefusesUnusablePictures) {
    Picture empty;
    EXPECT_TRUE(kmr::EncodeDib(empty).empty());
    Picture mismatched;
    mismatched.width = 2;
    mismatched.height = 2;
    mismatched.pixels.assign(3, 0xFF000000u);
    EXPECT_TRUE(mismatched.Empty());
    EXPECT_TRUE(kmr::EncodeDib(mismatched).empty());
    EXPECT_TRUE(kmr::EncodeBmpFile(mismatched).empty());
}

TEST(Picture, AtAnswersZeroOutside) {
    const Picture p = Pattern(3, 2, 6);
    EXPECT_EQ(p.At(2, 1), p.pixels[5]);
    EXPECT_EQ(p.At(3, 0), 0u);
    EXPECT_EQ(p.At(0, 2), 0u);
    EXPECT_EQ(p.At(-1, 0), 0u);
    EXPECT_FALSE(p.Empty());
}

} // namespace
