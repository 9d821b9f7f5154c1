#include "png_io.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace dar {
namespace {

// libpng reports errors by a long jump back into the function that set it up. The
// functions that call setjmp keep every object they change in a job record that
// lives in their caller, so nothing of theirs is skipped or left indeterminate.
struct ReadJob {
    bool indexedOnly = false;
    IndexedImage image;
    std::vector<uint8_t> rgba;
    std::vector<png_bytep> rows;
    std::string error;
};

struct WriteJob {
    const IndexedImage* image = nullptr;
    std::vector<png_color> colours;
    std::vector<png_bytep> rows;
    std::string hotText;
    std::string error;
};

constexpr int kLargestSide = 32767;  // the largest pattern a DAR archive holds

void OnError(png_structp png, png_const_charp message)
{
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    *error = message;
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

bool ParseHotSpot(const char* text, int* x, int* y)
{
    char tail = 0;
    return std::sscanf(text, "%d,%d%c", x, y, &tail) == 2;
}

bool ReadBody(png_structp png, png_infop info, std::FILE* file, ReadJob& job)
{
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    const bool indexed = png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE;
    if (!indexed && job.indexedOnly) {
        job.error = "not an indexed-colour PNG";
        return false;
    }
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (width > kLargestSide || height > kLargestSide) {
        job.error = "larger than 32767 pixels on a side";
        return false;
    }
    if (indexed) {
        png_set_packing(png);
    } else {
        // Grey and truecolour of every depth become 8-bit RGBA.
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    job.image.width = static_cast<int>(width);
    job.image.height = static_cast<int>(height);
    std::vector<uint8_t>& pixels = indexed ? job.image.pixels : job.rgba;
    const size_t rowBytes = static_cast<size_t>(width) * (indexed ? 1 : 4);
    pixels.resize(rowBytes * height);
    job.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) {
        job.rows[y] = pixels.data() + rowBytes * y;
    }
    png_read_image(png, job.rows.data());
    png_read_end(png, info);

    png_colorp colours = nullptr;
    int colourCount = 0;
    if (png_get_PLTE(png, info, &colours, &colourCount) & PNG_INFO_PLTE) {
        for (int i = 0; i < colourCount; ++i) {
            job.image.colours.push_back({colours[i].red, colours[i].green, colours[i].blue});
        }
    }
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    if (png_get_tRNS(png, info, &alpha, &alphaCount, nullptr) & PNG_INFO_tRNS) {
        job.image.alpha.assign(alpha, alpha + alphaCount);
    }
    png_textp texts = nullptr;
    int textCount = png_get_text(png, info, &texts, nullptr);
    for (int i = 0; i < textCount; ++i) {
        if (std::strcmp(texts[i].key, "HotSpot") == 0 &&
            ParseHotSpot(texts[i].text, &job.image.hotX, &job.image.hotY)) {
            job.image.hasHotSpot = true;
        }
    }
    return true;
}

bool WriteBody(png_structp png, png_infop info, std::FILE* file, WriteJob& job)
{
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    const IndexedImage& image = *job.image;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height),
                 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, job.colours.data(), static_cast<int>(job.colours.size()));
    if (!image.alpha.empty()) {
        png_set_tRNS(png, info, image.alpha.data(), static_cast<int>(image.alpha.size()), nullptr);
    }
    png_text text{};
    if (image.hasHotSpot) {
        text.compression = PNG_TEXT_COMPRESSION_NONE;
        text.key = const_cast<char*>("HotSpot");
        text.text = job.hotText.data();
        png_set_text(png, info, &text, 1);
    }
    png_write_info(png, info);
    png_write_image(png, job.rows.data());
    png_write_end(png, info);
    return true;
}

bool Load(const std::string& path, bool indexedOnly, IndexedImage* image, std::vector<uint8_t>* rgba,
          std::string* error)
{
    ReadJob job;
    job.indexedOnly = indexedOnly;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *error = path + ": cannot open";
        return false;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job.error, OnError, OnWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool ok = info != nullptr && ReadBody(png, info, file, job);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    if (!ok) {
        *error = path + ": " + (job.error.empty() ? "cannot read" : job.error);
        return false;
    }
    *image = std::move(job.image);
    if (rgba != nullptr) {
        *rgba = std::move(job.rgba);
    }
    return true;
}

} // namespace

bool LoadIndexedPng(const std::string& path, IndexedImage* image, std::string* error)
{
    return Load(path, true, image, nullptr, error);
}

bool LoadPng(const std::string& path, IndexedImage* image, std::vector<uint8_t>* rgba, std::string* error)
{
    return Load(path, false, image, rgba, error);
}

bool SaveIndexedPng(const std::string& path, const IndexedImage& image, std::string* error)
{
    if (image.width <= 0 || image.height <= 0 || image.colours.empty() || image.colours.size() > 256 ||
        image.alpha.size() > image.colours.size() ||
        image.pixels.size() != static_cast<size_t>(image.width) * image.height) {
        *error = path + ": nothing a PNG can hold (empty picture or palette)";
        return false;
    }
    WriteJob job;
    job.image = &image;
    for (const auto& c : image.colours) {
        job.colours.push_back({c[0], c[1], c[2]});
    }
    for (int y = 0; y < image.height; ++y) {
        job.rows.push_back(const_cast<png_bytep>(image.pixels.data()) + static_cast<size_t>(y) * image.width);
    }
    job.hotText = std::to_string(image.hotX) + "," + std::to_string(image.hotY);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        *error = path + ": cannot create";
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job.error, OnError, OnWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool ok = info != nullptr && WriteBody(png, info, file, job);
    png_destroy_write_struct(&png, &info);
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        *error = path + ": " + (job.error.empty() ? "cannot write" : job.error);
        return false;
    }
    return true;
}

} // namespace dar
