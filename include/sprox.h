/* Sprox runtime: the one header a game includes.
 *
 * A game asks SX_GetStructSize() for the size of a context, allocates it, binds it
 * to a window with SX_Init, creates the frame with SX_Size, loads patterns with
 * SX_PatEntryDARFile, then per frame clears, draws and paints. SX_End before the
 * context's memory is freed, SX_ReleaseAll once when the game quits.
 *
 * Handle types: on Windows the system's own (HWND, HDC, HPALETTE, HINSTANCE).
 * On Linux the window is an SDL_Window*, the device context that SX_Paint draws
 * into is an SDL_Surface* (the game shows it, e.g. with SDL_UpdateWindowSurface),
 * and SX_Size hands out an SDL_Palette* (the game frees it with SDL_FreePalette).
 */
#ifndef SPROX_H
#define SPROX_H

#include <stdint.h>

#ifdef _WIN32
typedef struct HWND__* SxWindow;
typedef struct HDC__* SxDC;
typedef struct HPALETTE__* SxPalette;
typedef struct HINSTANCE__* SxModule;
#define SXAPI __stdcall
#define SXEXPORT
#else
struct SDL_Window;
struct SDL_Surface;
struct SDL_Palette;
typedef struct SDL_Window* SxWindow;
typedef struct SDL_Surface* SxDC;
typedef struct SDL_Palette* SxPalette;
typedef void* SxModule;
#define SXAPI
#if defined(SPROX_BUILD)
#define SXEXPORT __attribute__((visibility("default")))
#else
#define SXEXPORT
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The frame's bitmap header, laid out as a device-independent bitmap info header. */
typedef struct SproxBitmapHeader {
    uint32_t size;          /* 40 */
    int32_t width;
    int32_t height;         /* direction * height: positive = rows stored bottom-up */
    uint16_t planes;        /* 1 */
    uint16_t bitCount;      /* 8 */
    uint32_t compression;   /* 0 */
    uint32_t sizeImage;
    int32_t xPelsPerMeter;
    int32_t yPelsPerMeter;
    uint32_t clrUsed;
    uint32_t clrImportant;
} SproxBitmapHeader;

/* One colour table entry, in the order blue, green, red, reserved. */
typedef struct SproxColor {
    uint8_t blue, green, red, reserved;
} SproxColor;

typedef struct SproxRect {
    int32_t left, top, right, bottom; /* right and bottom exclusive */
} SproxRect;

/* The Sprox context: one per window, allocated by the game, owned by the library
 * between SX_Init and SX_End. scrollX, scrollY, viewWidth, viewHeight and scale
 * are the game's to set at any time; every other field is the library's.
 * 1168 bytes for a 32-bit game; 1216 for a 64-bit one, in its natural layout
 * (pointers and handles 8 bytes wide and aligned to 8: bits at 1096, hdc at 1112,
 * hwnd at 1160, self at 1208). Ask SX_GetStructSize rather than assume either. */
typedef struct SproxContext {
    SproxBitmapHeader header;
    SproxColor colors[256];
    void* savedBitmap;
    int32_t width;
    int32_t height;
    int32_t direction;   /* +1 rows bottom-up in memory, -1 top-down */
    int32_t stride;
    int32_t pitch;       /* signed step from a row to the one below it on screen */
    uint8_t* bits;
    int32_t topOffset;   /* pixel (x, y) is at bits + topOffset + y * pitch + x */
    uint8_t tag;
    void* hdc;
    SproxRect clip;
    int32_t scrollX;
    int32_t scrollY;
    int32_t viewWidth;
    int32_t viewHeight;
    int32_t scale;       /* 0 half size, 1 one to one, n n times */
    SxWindow hwnd;
    void* surface;
    void* ddPalette;
    uint8_t* dibBits;
    void* dibDC;
    int32_t lockCount;
    struct SproxContext* self;
} SproxContext;

/* Draw flags of DrawRequest.flags. */
#define PD_MIRROR   0x01
#define PD_XZOOM    0x02
#define PD_ROP      0x04
#define PD_RECOLOR  0x08
#define PD_MESH     0x0C
#define PD_SHADOW   0x10
#define PD_SCATTER  0x20
#define PD_VFLIP    0x80
#define PD_YZOOM    0x100
#define PD_WAVE     0x200
#define PD_RIPPLE   0x400
#define PD_SCANLINE 0x600

/* What SX_PatDraw takes. */
typedef struct DrawRequest {
    uint32_t flags;
    uint32_t pattern;
    int32_t x, y;            /* where the hot spot lands */
    int32_t scaleX;          /* 1/256; read with PD_XZOOM */
    int32_t scaleY;          /* 1/256; read with PD_YZOOM */
    int32_t wavePeriod;
    int32_t waveAmplitude;   /* 0: no wave; else its low byte as a signed amplitude */
    int32_t wavePhase;
    const uint8_t* table;    /* ROP table or 256-byte colour table */
    uint32_t mesh;           /* four 8-bit screen-door masks; 0xFFFFFFFF = every pixel */
} DrawRequest;

/* Input bits. Buttons 1..10 are 0x10 << (n - 1). */
#define IN_UP     0x1
#define IN_DOWN   0x2
#define IN_LEFT   0x4
#define IN_RIGHT  0x8
#define IN_ESCAPE 0x8000

/* What SX_CaptureInput fills. */
typedef struct InputState {
    int32_t inputBits;
    int32_t axisX, axisY, axisZ, axisR;
    int32_t rangeX, rangeY, rangeZ, rangeR;
} InputState;

SXEXPORT int SXAPI SX_GetStructSize(void);
SXEXPORT void SXAPI SX_Init(SproxContext* context, SxWindow window);
SXEXPORT void SXAPI SX_End(SproxContext* context);
SXEXPORT void SXAPI SX_Size(SproxContext* context, int width, int height, int pattern, SxPalette* paletteOut);
SXEXPORT void SXAPI SX_Paint(SproxContext* context, SxDC target, int x, int y);
SXEXPORT void SXAPI SX_Clear(SproxContext* context, int colour);
SXEXPORT int SXAPI SX_FullScreen(SproxContext* context, int width, int height, int on);
SXEXPORT int SXAPI SX_PatEntryDARFile(int first, int count, const char* fileName);
SXEXPORT void SXAPI SX_ReleaseAll(void);
SXEXPORT void SXAPI SX_PatPut(SproxContext* context, int x, int y, int pattern);
SXEXPORT void SXAPI SX_RopPut(SproxContext* context, int x, int y, int pattern, const uint8_t* rop);
SXEXPORT void SXAPI SX_PatDraw(SproxContext* context, const DrawRequest* request);
SXEXPORT void SXAPI SX_RotoZoomPut(SproxContext* context, int x, int y, int pattern,
                                   int pivotX, int pivotY, int angle, int zoom);
SXEXPORT uint8_t* SXAPI SX_CreateRop(void);
SXEXPORT void SXAPI SX_DeleteRop(uint8_t* rop);
SXEXPORT void SXAPI SX_TransRop(SproxContext* context, uint8_t* rop, int level);
SXEXPORT int SXAPI SX_CaptureInput(int configuration, InputState* result);
SXEXPORT int SXAPI SX_WaveInit(SxModule module, SxWindow window);
SXEXPORT int SXAPI SX_WaveOpen(const char* fileName);
SXEXPORT void SXAPI SX_WaveFree(int slot);
SXEXPORT int SXAPI SX_WavePlayEx(int slot, int flags);
SXEXPORT int SXAPI SX_WaveSetState(int slot, int pan, int volume);
SXEXPORT void SXAPI SX_WaveActivate(int flag);

#ifdef __cplusplus
}
#endif

#endif
