// The drawing area's image surface: it draws exactly as the engine's memory
// surface does (one set of drawing rules), keeps its image when copies are
// taken, and an expose of the window copies the image instead of drawing
// the schematic again.
#include "CanvasTest.h"

#include <QPainter>
#include <climits>

#include "MemorySurface.h"

namespace {

using kmr::RasterOp;

// A picture of `w` by `h` with a different colour in every pixel.
kmr::Picture Gradient(int w, int h) {
    kmr::Picture p;
    p.width = w;
    p.height = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.pixels.push_back(0xFF000000u | uint32_t(x * 7) << 16 | uint32_t(y * 11) << 8 | 0x35);
    return p;
}

// The same drawing on any surface: lines in every direction and far beyond
// the edges, rectangles, pixels and pictures copied and inverted, partly off
// the surface.
void DrawEverything(kmr::Surface &s) {
    const kmr::Picture picture = Gradient(13, 9);
    s.FillRect(5, 5, 30, 20, 0x123456);
    s.FillRect(70, -10, 50, 8, 0x00FF00); // corners given in any order, clipped
    const int lines[][4] = {{1, 1, 60, 7}, {60, 40, 2, 30}, {10, 45, 14, 2}, {33, 3, 33, 44},
                            {0, 22, 63, 22}, {50, 10, 20, 40}, {-2000000000, 12, 2000000000, 12},
                            {7, INT_MIN, 7, INT_MAX}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}};
    for (const auto &l : lines) s.Line(l[0], l[1], l[2], l[3], 0x0000FF);
    s.SetPixel(3, 40, 0xABCDEF);
    s.SetPixel(-1, 5, 0xFFFFFF);
    s.SetPixel(64, 5, 0xFFFFFF);
    s.DrawPicture(picture, 20, 10);
    s.SetOp(RasterOp::Invert);
    s.DrawPicture(picture, 25, 14);
    s.DrawPicture(picture, 58, 44);  // over the bottom-right corner
    s.DrawPicture(picture, -6, -3);  // over the top-left corner
    s.DrawPicture(picture, INT_MAX - 3, INT_MAX - 3);
    s.DrawPicture(picture, INT_MIN, 10);
    s.SetOp(RasterOp::Copy);
}

TEST(ImageSurfaceTest, DrawsPixelForPixelAsTheMemorySurface) {
    kmr::MemorySurface memory(64, 48, 0xC0C0C0);
    kmr::ImageSurface image(0xC0C0C0);
    image.Grow(64, 48);
    ASSERT_EQ(image.Width(), 64);
    ASSERT_EQ(image.Height(), 48);
    DrawEverything(memory);
    DrawEverything(image);
    const QImage shot = image.Snapshot();
    int differing = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            differing += image.Pixel(x, y) != memory.Pixel(x, y);
            // Every pixel of the image is opaque, whatever was drawn.
            EXPECT_EQ(qAlpha(shot.pixel(x, y)), 255) << x << ", " << y;
        }
    EXPECT_EQ(differing, 0);
    // The far line of row 12 is drawn across the whole surface.
    for (int x : {0, 40, 63}) EXPECT_EQ(memory.Pixel(x, 12), 0x0000FFu) << x;
}

TEST(ImageSurfaceTest, CopiesKeepWhatTheyShowedAndGrowingKeepsTheDrawing) {
    kmr::ImageSurface image(0x808080);
    image.Grow(20, 10);
    image.FillRect(0, 0, 4, 4, 0x00FF00);
    const QImage before = image.Snapshot();
    image.FillRect(0, 0, 19, 9, 0xFF0000);
    EXPECT_EQ(before.pixel(2, 2) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(before.pixel(10, 5) & 0xFFFFFF, 0x808080u);

    image.Grow(30, 5); // only ever larger
    EXPECT_EQ(image.Width(), 30);
    EXPECT_EQ(image.Height(), 10);
    EXPECT_EQ(image.Pixel(19, 9), 0xFF0000u);
    EXPECT_EQ(image.Pixel(25, 9), 0x808080u);
    image.Clear();
    EXPECT_EQ(image.Pixel(19, 9), 0x808080u);
}

using CanvasTest = edtest::CanvasFixture;

TEST_F(CanvasTest, AnExposeCopiesTheImageWithoutDrawingTheSchematic) {
    kmr::TFMain &w = Start({"Tonegen.kmd"});
    const int slot = Put("Tonegen.kmd", 64, 80);
    w.Canvas->update();
    // A mark the schematic does not hold: an expose that drew the schematic
    // again would lose it.
    w.Canvas->Surface().FillRect(300, 200, 309, 209, kmr::kRed);
    w.Canvas->repaint();
    const QImage screen = w.Canvas->grab().toImage();
    EXPECT_EQ(screen.pixel(305, 205) & 0xFFFFFF, kmr::kRed);
    const MODULE *m = Scheme().Get(slot);
    const kmr::Picture &picture = *engine->Types.GetType(m->Index).Bitmap;
    for (const QPoint at : {QPoint(3, 5), QPoint(16, 16), QPoint(30, 29)})
        EXPECT_EQ(screen.pixel(64 + at.x(), 80 + at.y()) & 0xFFFFFF, picture.At(at.x(), at.y()) & 0xFFFFFF);
}

} // namespace
