#include "png_writer.h"

#include <png.h>

#include <cstdio>
#include <vector>

bool WritePng(SDL_Surface* surface, const std::string& path)
{
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGB24, 0);
    if (rgb == nullptr) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    // Everything with a destructor exists before libpng may jump back here.
    std::vector<png_bytep> rows(static_cast<size_t>(rgb->h));
    for (int y = 0; y < rgb->h; ++y) {
        rows[static_cast<size_t>(y)] = static_cast<png_bytep>(rgb->pixels) + y * rgb->pitch;
    }
    bool written = false;
    if (file != nullptr && info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, static_cast<png_uint_32>(rgb->w), static_cast<png_uint_32>(rgb->h),
                     8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_write_image(png, rows.data());
        png_write_end(png, nullptr);
        written = true;
    }
    if (png != nullptr) {
        png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    }
    if (file != nullptr) {
        written = std::fclose(file) == 0 && written;
    }
    SDL_FreeSurface(rgb);
    return written;
}
