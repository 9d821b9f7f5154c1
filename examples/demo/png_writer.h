// Writes an SDL surface as an 8-bit RGB PNG file.
#pragma once

#include <SDL2/SDL.h>

#include <string>

bool WritePng(SDL_Surface* surface, const std::string& path);
