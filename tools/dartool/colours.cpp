#include "colours.h"

#include <libimagequant.h>

#include <limits>
#include <memory>
#include <unordered_map>

namespace dar {
namespace {

struct AttrFree {
    void operator()(liq_attr* a) const { liq_attr_destroy(a); }
};
struct HistogramFree {
    void operator()(liq_histogram* h) const { liq_histogram_destroy(h); }
};
struct ImageFree {
    void operator()(liq_image* i) const { liq_image_destroy(i); }
};
struct ResultFree {
    void operator()(liq_result* r) const { liq_result_destroy(r); }
};

int Nearest(const uint8_t* rgb, const Palette& palette, int colours, int key)
{
    int best = -1;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < colours; ++i) {
        if (i == key) {
            continue;
        }
        // Palette entries are blue, green, red, reserved.
        const int dr = rgb[0] - palette[4 * i + 2];
        const int dg = rgb[1] - palette[4 * i + 1];
        const int db = rgb[2] - palette[4 * i + 0];
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace

bool MapToPalette(const RgbaPicture& picture, const Palette& palette, int colours, int key,
                  std::vector<uint8_t>* indices)
{
    indices->clear();
    indices->reserve(picture.pixels.size() / 4);
    // Artwork repeats few colours: remember each colour's entry once found.
    std::unordered_map<uint32_t, uint8_t> found;
    for (size_t p = 0; p + 3 < picture.pixels.size(); p += 4) {
        const uint8_t* pixel = &picture.pixels[p];
        if (pixel[3] == 0) {
            if (key < 0) {
                return false;
            }
            indices->push_back(static_cast<uint8_t>(key));
            continue;
        }
        const uint32_t rgb = uint32_t{pixel[0]} << 16 | uint32_t{pixel[1]} << 8 | pixel[2];
        auto it = found.find(rgb);
        if (it == found.end()) {
            const int nearest = Nearest(pixel, palette, colours, key);
            it = found.emplace(rgb, static_cast<uint8_t>(nearest < 0 ? 0 : nearest)).first;
        }
        indices->push_back(it->second);
    }
    return true;
}

bool BuildPalette(std::span<const RgbaPicture> pictures, Palette* palette, int* colours,
                  std::string* error)
{
    *palette = Palette{};
    *colours = 1;
    std::unique_ptr<liq_attr, AttrFree> attr(liq_attr_create());
    if (!attr || liq_set_max_colors(attr.get(), 255) != LIQ_OK) {
        *error = "libimagequant cannot start";
        return false;
    }
    std::unique_ptr<liq_histogram, HistogramFree> histogram(liq_histogram_create(attr.get()));
    bool anyOpaque = false;
    for (const RgbaPicture& picture : pictures) {
        // Only the opaque pixels count, each as fully opaque: the key colour stands
        // for the transparent ones, and the archive has no partial transparency.
        std::vector<uint8_t> opaque;
        opaque.reserve(picture.pixels.size());
        for (size_t p = 0; p + 3 < picture.pixels.size(); p += 4) {
            if (picture.pixels[p + 3] != 0) {
                opaque.insert(opaque.end(), {picture.pixels[p], picture.pixels[p + 1], picture.pixels[p + 2], 255});
            }
        }
        if (opaque.empty()) {
            continue;
        }
        anyOpaque = true;
        const int count = static_cast<int>(opaque.size() / 4);
        std::unique_ptr<liq_image, ImageFree> image(
            liq_image_create_rgba(attr.get(), opaque.data(), count, 1, 0));
        if (!image || liq_histogram_add_image(histogram.get(), attr.get(), image.get()) != LIQ_OK) {
            *error = "libimagequant cannot read the pictures";
            return false;
        }
    }
    if (!anyOpaque) {
        return true;
    }
    liq_result* raw = nullptr;
    if (liq_histogram_quantize(histogram.get(), attr.get(), &raw) != LIQ_OK) {
        *error = "libimagequant found no palette for the pictures";
        return false;
    }
    std::unique_ptr<liq_result, ResultFree> result(raw);
    const liq_palette* chosen = liq_get_palette(result.get());
    for (unsigned i = 0; i < chosen->count && i < 255; ++i) {
        uint8_t* entry = &(*palette)[4 * (i + 1)];
        entry[0] = chosen->entries[i].b;
        entry[1] = chosen->entries[i].g;
        entry[2] = chosen->entries[i].r;
    }
    *colours = 1 + static_cast<int>(chosen->count < 255 ? chosen->count : 255);
    return true;
}

} // namespace dar
