// Icon 128 and bitmap 133: a small camera module drawn from rectangles and circles in the
// 16-colour palette, so the pictures are ours and need no image files.
#include <cmath>

#include "res/resources.h"

namespace vorlix::res {
namespace {

// The classic 16-colour palette.
enum Colour : std::uint32_t {
    kBlack = 0xFF000000,
    kNavy = 0xFF000080,
    kTeal = 0xFF008080,
    kGrey = 0xFF808080,
    kSilver = 0xFFC0C0C0,
    kBlue = 0xFF0000FF,
    kCyan = 0xFF00FFFF,
    kWhite = 0xFFFFFFFF,
    kRed = 0xFFFF0000,
    kYellow = 0xFFFFFF00,
    kTransparent = 0x00000000,
};

class Canvas {
public:
    Canvas(int w, int h, std::uint32_t background) {
        image_.width = w;
        image_.height = h;
        image_.pixels.assign(static_cast<std::size_t>(w * h), background);
    }
    void rect(double x0, double y0, double x1, double y1, std::uint32_t c) {
        for (int y = 0; y < image_.height; ++y)
            for (int x = 0; x < image_.width; ++x)
                if (x + 0.5 >= x0 && x + 0.5 < x1 && y + 0.5 >= y0 && y + 0.5 < y1) put(x, y, c);
    }
    void disc(double cx, double cy, double r, std::uint32_t c) {
        for (int y = 0; y < image_.height; ++y)
            for (int x = 0; x < image_.width; ++x)
                if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= r) put(x, y, c);
    }
    Image take() { return std::move(image_); }

private:
    void put(int x, int y, std::uint32_t c) {
        image_.pixels[static_cast<std::size_t>(y * image_.width + x)] = c;
    }
    Image image_;
};

// The camera module in a square of side s at (x, y).
void drawCamera(Canvas& c, double x, double y, double s) {
    c.rect(x + s * 0.06, y + s * 0.22, x + s * 0.94, y + s * 0.88, kGrey);  // body
    c.rect(x + s * 0.10, y + s * 0.26, x + s * 0.90, y + s * 0.84, kSilver);
    c.rect(x + s * 0.16, y + s * 0.12, x + s * 0.40, y + s * 0.24, kGrey);    // top plate
    c.rect(x + s * 0.70, y + s * 0.32, x + s * 0.84, y + s * 0.42, kYellow);  // flash
    c.disc(x + s * 0.50, y + s * 0.56, s * 0.26, kBlack);                     // lens
    c.disc(x + s * 0.50, y + s * 0.56, s * 0.19, kNavy);
    c.disc(x + s * 0.50, y + s * 0.56, s * 0.11, kBlue);
    c.disc(x + s * 0.44, y + s * 0.50, s * 0.05, kWhite);  // glint
    c.disc(x + s * 0.18, y + s * 0.34, s * 0.03, kRed);    // status LED
}

}  // namespace

Image icon(int size) {
    Canvas c(size, size, kTransparent);
    drawCamera(c, 0, 0, size);
    return c.take();
}

Image banner(double scale) {
    const auto at = [scale](double v) { return v * scale; };
    Canvas c(static_cast<int>(std::lround(at(181))), static_cast<int>(std::lround(at(56))), kNavy);
    c.rect(0, at(40), at(181), at(56), kTeal);
    for (int i = 0; i < 6; ++i)
        c.rect(at(70 + i * 18), at(18), at(80 + i * 18), at(22), kCyan);  // bus wires
    c.rect(at(66), at(16), at(70), at(46), kSilver);
    drawCamera(c, at(8), at(2), at(52));
    c.rect(at(176), at(12), at(180), at(30), kSilver);  // adapter plug
    c.rect(at(160), at(14), at(176), at(28), kGrey);
    return c.take();
}

}  // namespace vorlix::res
