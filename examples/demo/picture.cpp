#include "picture.h"

namespace {

constexpr uint8_t kWhite = Colour(0, 15);
constexpr uint8_t kRed = Colour(1, 15);

} // namespace

// Band 0 is grey; bands 1 to 15 go round the colour wheel. Step 15 is full
// brightness.
SproxColor TestColour(int index)
{
    int band = BandOf(index);
    int level = LevelOf(index) + 1;
    int red = 255, green = 255, blue = 255;
    if (band > 0) {
        int hue = (band - 1) * 360 / (kBands - 1);
        int sector = hue / 60;
        int rise = (hue % 60) * 255 / 60;
        int fall = 255 - rise;
        const int rgb[6][3] = {{255, rise, 0}, {fall, 255, 0}, {0, 255, rise},
                               {0, fall, 255}, {rise, 0, 255}, {255, 0, fall}};
        red = rgb[sector][0];
        green = rgb[sector][1];
        blue = rgb[sector][2];
    }
    auto scale = [&](int v) { return static_cast<uint8_t>(v * level / kLevels); };
    return {scale(blue), scale(green), scale(red), 0};
}

void DrawTestPicture(uint8_t* pixels, int width, int height)
{
    auto plot = [&](int x, int y, uint8_t colour) {
        if (x >= 0 && y >= 0 && x < width && y < height) {
            pixels[y * width + x] = colour;
        }
    };
    for (int i = 0; i < width * height; ++i) {
        pixels[i] = 0;
    }
    // Swatches with a one-pixel black gap: index = row * 16 + column.
    for (int row = 0; row < kBands; ++row) {
        for (int column = 0; column < kLevels; ++column) {
            int left = column * width / kLevels;
            int right = (column + 1) * width / kLevels - 1;
            int top = row * height / kBands;
            int bottom = (row + 1) * height / kBands - 1;
            for (int y = top; y < bottom; ++y) {
                for (int x = left; x < right; ++x) {
                    plot(x, y, Colour(row, column));
                }
            }
        }
    }
    for (int x = 0; x < width; ++x) {
        plot(x, x * height / width, kWhite);
        plot(x, 0, kRed);
        plot(x, height - 1, kRed);
    }
    for (int y = 0; y < height; ++y) {
        plot(0, y, kRed);
        plot(width - 1, y, kRed);
    }
}
