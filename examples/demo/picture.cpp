#include "picture.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr int kGrid = 16;
constexpr uint8_t kWhite = 15;   // the brightest step of the grey band
constexpr uint8_t kRed = 1 * 16 + 15;

// Band 0 is grey; bands 1 to 15 go round the colour wheel. Step 15 is full
// brightness.
SproxColor TestColour(int index)
{
    int band = index / kGrid;
    int level = index % kGrid + 1;
    int red = 255, green = 255, blue = 255;
    if (band > 0) {
        int hue = (band - 1) * 360 / (kGrid - 1);
        int sector = hue / 60;
        int rise = (hue % 60) * 255 / 60;
        int fall = 255 - rise;
        const int rgb[6][3] = {{255, rise, 0}, {fall, 255, 0}, {0, 255, rise},
                               {0, fall, 255}, {rise, 0, 255}, {255, 0, fall}};
        red = rgb[sector][0];
        green = rgb[sector][1];
        blue = rgb[sector][2];
    }
    auto scale = [&](int v) { return static_cast<uint8_t>(v * level / kGrid); };
    return {scale(blue), scale(green), scale(red), 0};
}

// The frame is addressed through its own description, whatever its row order.
void Plot(SproxContext* c, int x, int y, uint8_t colour)
{
    if (x >= 0 && y >= 0 && x < c->width && y < c->height) {
        c->bits[c->topOffset + y * c->pitch + x] = colour;
    }
}

} // namespace

void MakeTestPicture(SproxContext* context, int width, int height)
{
    for (int i = 0; i < 256; ++i) {
        context->colors[i] = TestColour(i);
    }
    SX_Size(context, width, height, -1, nullptr);
    if (context->bits == nullptr) {
        return;
    }
    SX_Clear(context, 0);

    // Swatches with a one-pixel black gap: index = row * 16 + column.
    for (int row = 0; row < kGrid; ++row) {
        for (int column = 0; column < kGrid; ++column) {
            int left = column * width / kGrid;
            int right = (column + 1) * width / kGrid - 1;
            int top = row * height / kGrid;
            int bottom = (row + 1) * height / kGrid - 1;
            auto colour = static_cast<uint8_t>(row * kGrid + column);
            for (int y = top; y < bottom; ++y) {
                for (int x = left; x < right; ++x) {
                    Plot(context, x, y, colour);
                }
            }
        }
    }
    for (int x = 0; x < width; ++x) {
        Plot(context, x, x * height / width, kWhite);
        Plot(context, x, 0, kRed);
        Plot(context, x, height - 1, kRed);
    }
    for (int y = 0; y < height; ++y) {
        Plot(context, 0, y, kRed);
        Plot(context, width - 1, y, kRed);
    }
}

void ScrollTestPicture(SproxContext* context, int frame)
{
    context->scrollX = frame * 2;
    context->scrollY = frame;
}
