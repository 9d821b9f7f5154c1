/* Sprox runtime: the one header a game includes.
 *
 * A game asks SX_GetStructSize() for the size of a context, allocates it, binds it
 * to a window with SX_Init, creates the frame with SX_Size, loads patterns with
 * SX_PatEntryDARFile, then per frame clears, draws and paints. SX_End before the
 * context's memory is freed, SX_ReleaseAll once when the game quits.
 *
 * Conventions of every function below:
 * - Frame coordinates are pixels from the frame's top-left corner; rectangles are
 *   (left, top, right, bottom) with right and bottom exclusive.
 * - Scales are fixed point in 1/256 (256 = 1:1, 512 = twice the size).
 * - Patterns are named by number, 0 to 2047, process-wide; so are wave slots
 *   (0 to 31), input configurations (0 to 7) and ROP tables (by address). None of
 *   them belongs to a context.
 * - Every call runs to completion on the calling thread; call them all from the
 *   game's one user-interface thread. The library starts no threads.
 * - Failures the user must see are shown in a modal message box captioned "Sprox
 *   Error": "where: message", where names the routine or the file, message is a
 *   fixed Japanese text. On Linux it goes to standard error when no message box
 *   can be shown (no display). The call then returns having done less; the codes
 *   are never returned. Quiet failures (a pattern number nobody registered,
 *   nothing visible to draw, no free slot) simply do nothing. The messages a call
 *   can show are listed with it:
 *     -2 "登録パターンが多すぎます"       too many patterns (range past 2047)
 *     -3 "メモリ不足です"                 out of memory
 *     -4 "ファイルのオープンに失敗しました" a file cannot be opened or read
 *     -5 "ROPがCreateRopされていません"  a null ROP table
 *     -6 "ハンドルが無効です"             a missing window, or a mixer failure
 *     -7 "DARが未知のバージョンです。..." a DAR archive of an unknown version
 *     -8 "SproxInitされていないSPROX構造体が渡されました" a context that SX_Init
 *        did not initialise (null, never initialised, ended, or copied elsewhere)
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

/* The frame's bitmap header, laid out as a device-independent bitmap info header.
 * Zeroed by SX_Init and filled by SX_Size; read it, never write it. */
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

/* One colour table entry, in the order blue, green, red, reserved. Each component
 * is 0 to 255. */
typedef struct SproxColor {
    uint8_t blue, green, red, reserved;
} SproxColor;

/* A rectangle in frame pixels. */
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
    int32_t width;       /* frame size in pixels, set by SX_Size */
    int32_t height;
    int32_t direction;   /* +1 rows bottom-up in memory, -1 top-down */
    int32_t stride;
    int32_t pitch;       /* signed step from a row to the one below it on screen */
    uint8_t* bits;
    int32_t topOffset;   /* pixel (x, y) is at bits + topOffset + y * pitch + x */
    uint8_t tag;
    void* hdc;
    SproxRect clip;      /* drawing clips to it: the whole frame */
    int32_t scrollX;     /* frame pixel at the view's left edge; wraps around */
    int32_t scrollY;     /* frame pixel at the view's top edge; wraps around */
    int32_t viewWidth;   /* view painted by SX_Paint, in frame pixels; 0: width */
    int32_t viewHeight;  /* 0: height */
    int32_t scale;       /* 0 half size, 1 one to one, n n times */
    SxWindow hwnd;
    void* surface;
    void* ddPalette;
    uint8_t* dibBits;
    void* dibDC;
    int32_t lockCount;
    struct SproxContext* self;
} SproxContext;

/* Draw flags of DrawRequest.flags; combine them with |. s is the pattern's pixel,
 * d the frame's pixel under it. Only one pixel operation applies: PD_ROP,
 * PD_RECOLOR, PD_MESH (both of those bits) or PD_SHADOW (which counts only when
 * neither PD_ROP nor PD_RECOLOR is set); without any of them the pixel is copied.
 * Only one row effect applies: PD_WAVE, PD_RIPPLE or PD_SCANLINE (the two bits
 * 0x600 together). Bit 0x40 and the bits above 0x400 have no effect. */
#define PD_MIRROR   0x01  /* mirrored left-right */
#define PD_XZOOM    0x02  /* horizontal scale scaleX (1/256); 256 draws as without it */
#define PD_ROP      0x04  /* d becomes table[s * 256 + d]: a 65,536-byte ROP table */
#define PD_RECOLOR  0x08  /* d becomes table[s]: a 256-byte colour table */
#define PD_MESH     0x0C  /* screen door: s is drawn where the mesh bit is 1 */
#define PD_SHADOW   0x10  /* d becomes table[d] under every opaque pixel; s unused */
#define PD_SCATTER  0x20  /* with PD_XZOOM enlarging: each source pixel is one dot,
                           * the columns between are left as they were */
#define PD_VFLIP    0x80  /* upside down */
#define PD_YZOOM    0x100 /* vertical scale scaleY (1/256); 256 draws as without it
                           * and also cancels the row effect, as does any scaleY
                           * below 256 */
#define PD_WAVE     0x200 /* rows shifted sideways along a sine: waveAmplitude,
                           * wavePeriod, wavePhase */
#define PD_RIPPLE   0x400 /* rows displaced up and down along a sine, strongest in
                           * the middle of the pattern; needs wavePeriod > 0 */
#define PD_SCANLINE 0x600 /* with PD_YZOOM enlarging: each source row drawn once,
                           * the rows between left as they were; alone: nothing */

/* What SX_PatDraw takes. Fields a flag does not ask for are not read. */
typedef struct DrawRequest {
    uint32_t flags;          /* PD_ flags */
    uint32_t pattern;        /* pattern number; 2048 or more draws nothing */
    int32_t x, y;            /* frame pixel where the pattern's hot spot lands */
    int32_t scaleX;          /* 1/256 (256 = 1:1, 512 twice as wide, 128 half); read
                              * with PD_XZOOM; 0 or less draws nothing */
    int32_t scaleY;          /* 1/256; read with PD_YZOOM; 0 or less draws nothing */
    int32_t wavePeriod;      /* PD_WAVE: the sine makes one turn every |wavePeriod| / 2
                              * rows; a negative period flips the shift's sign on
                              * every row; 0 leaves the rows unshifted. PD_RIPPLE:
                              * one turn every wavePeriod rows; 0 or less draws
                              * nothing */
    int32_t waveAmplitude;   /* PD_WAVE: 0 no wave; else its low byte, as a signed
                              * 8-bit value, is the largest shift in pixels (-128..127) */
    int32_t wavePhase;       /* start of the sine, 256 steps to a turn; step it per
                              * frame to animate the wave or ripple */
    const uint8_t* table;    /* PD_ROP: a ROP table (SX_CreateRop); PD_RECOLOR and
                              * PD_SHADOW: 256 bytes, new colour by index */
    uint32_t mesh;           /* PD_MESH: four 8-bit masks, one per frame row in turn
                              * (low byte first); the top bit of a mask stands for
                              * columns 0, 8, 16, ...; 0xFFFFFFFF = every pixel,
                              * 0xAA55AA55 a checkerboard */
} DrawRequest;

/* Input bits, as SX_CaptureInput returns them. Buttons 1..10 are 0x10 << (n - 1):
 * joystick button n, or the keys the configuration gives that button. */
#define IN_UP     0x1
#define IN_DOWN   0x2
#define IN_LEFT   0x4
#define IN_RIGHT  0x8
#define IN_ESCAPE 0x8000

/* What SX_CaptureInput fills. With a joystick read, each axis is its position
 * minus the centre (left and up negative) and each range is the half range, so
 * axis / range runs from about -1 to 1. Without one, axisX and axisY are -1, 0 or
 * +1 from the direction keys (left/up negative, both or neither 0), rangeX and
 * rangeY are 1, and the Z and R fields are 0. */
typedef struct InputState {
    int32_t inputBits;                  /* the IN_ bits, as returned */
    int32_t axisX, axisY, axisZ, axisR; /* position minus centre */
    int32_t rangeX, rangeY, rangeZ, rangeR; /* half range of each axis */
} InputState;

/* SX_GetStructSize: the number of bytes to allocate for one SproxContext (1168
 * on 32-bit Windows, sizeof(SproxContext) elsewhere). Never changes; may be called
 * before anything else. */
SXEXPORT int SXAPI SX_GetStructSize(void);

/* SX_Init: binds a game-allocated context to a window and registers it. Sets
 * every library field (scale 1, scroll and view 0, no frame yet). The first
 * context of the process also chooses how frames reach the screen. The window may
 * be null for a context that is only drawn into and painted; asking it for full
 * screen then shows -6.
 *   context  memory of SX_GetStructSize() bytes, kept at the same address until
 *            SX_End; null does nothing.
 *   window   the game's window (Linux: SDL_Window*).
 * Calling it again on an initialised context changes nothing but an empty window.
 * No message. */
SXEXPORT void SXAPI SX_Init(SproxContext* context, SxWindow window);

/* SX_End: leaves full screen if this context owns it, frees the frame and
 * unregisters the context; its memory is then the game's to free. Ending the last
 * context also releases every pattern.
 *   context  an initialised context. Null, never initialised, already ended or
 *            moved: message -8 ("SproxEnd"), nothing else. */
SXEXPORT void SXAPI SX_End(SproxContext* context);

/* SX_Size: creates or resizes the frame (8 bits per pixel) and builds its
 * 256-colour palette. The frame's contents after a resize: kept in the top-left
 * corner on the DIB-section path (Windows, Linux), undefined otherwise.
 *   width, height  frame size in pixels, 1 or more; either 0 builds the palette
 *            only and leaves the frame alone.
 *   pattern  a registered pattern number whose archive palette becomes the
 *            frame's palette; any other number (e.g. -1) keeps the context's own
 *            colors. The palette is built when paletteOut is not null, and
 *            while none has been built yet (that is, while the blue of
 *            colors[255] is 0: SX_Init clears it). On an 8-bit screen the
 *            system's 20 static colours take entries 0-9 and 246-255, and
 *            duplicates of four of them get a blue that differs by a step or two.
 *   paletteOut  null, or where to store a new palette handle of the built colours
 *            (Linux: an SDL_Palette* the game frees with SDL_FreePalette).
 * A context SX_Init did not initialise: message -8 ("SproxSize"), nothing changed.
 * A frame that cannot be allocated is not reported: drawing then does nothing. */
SXEXPORT void SXAPI SX_Size(SproxContext* context, int width, int height, int pattern, SxPalette* paletteOut);

/* SX_Paint: copies the view into a device context. The view is viewWidth x
 * viewHeight (0: the frame's size) starting at (scrollX, scrollY) in the frame,
 * which wraps around at its edges (a torus), painted at (x, y) of the target and
 * magnified by the context's scale (0 half, 1 one to one, n n times).
 *   target   the window's device context (Linux: the SDL_Surface* of the window,
 *            shown afterwards with SDL_UpdateWindowSurface).
 *   x, y     destination position in frame pixels (the scale applies to it).
 * A context without a frame paints nothing. No message. */
SXEXPORT void SXAPI SX_Paint(SproxContext* context, SxDC target, int x, int y);

/* SX_Clear: fills the whole frame with one colour index.
 *   colour   palette index 0-255 (only the low byte is used).
 * A context without a frame does nothing. No message. */
SXEXPORT void SXAPI SX_Clear(SproxContext* context, int colour);

/* SX_FullScreen: switches the context's window to exclusive full screen with an
 * 8-bit display mode, or back. The mode chosen: exactly viewWidth x viewHeight (or
 * width x height when the view is 0) at one to one if there is one, else the
 * smallest that holds the view at the context's scale; scale is set to the chosen
 * mode's. Only one context owns full screen; the picture drawn so far carries over.
 *   width, height  the screen area the frame occupies, in frame pixels.
 *   on       not 0: full screen; 0: back to the window.
 * Returns 1 if full screen is now on, else 0 (no suitable mode, no full-screen
 * facility, or on = 0); on failure the window is back as it was.
 * Messages: -8 for a context SX_Init did not initialise, -6 for a context
 * without a window. */
SXEXPORT int SXAPI SX_FullScreen(SproxContext* context, int width, int height, int on);

/* SX_PatEntryDARFile: reads a DAR archive (see docs/dar.md; make one with
 * dartool) and registers its patterns at first, first + 1, ... . Patterns already
 * registered at those numbers are released first. Patterns are process-wide and
 * live until SX_ReleaseAll, a registration over their numbers, or the last SX_End.
 *   first    first pattern number, 0 to 2047.
 *   count    how many to register at most; fewer if the archive holds fewer.
 *   fileName path of the archive (bytes as the system takes them).
 * Returns the number of patterns registered, 0 on every failure.
 * Messages: -2 when first + count passes 2048 (what fits is still registered),
 * -4 when the file cannot be opened or read (the name and the system's error
 * number), -3 when there is no memory for it, -7 for an archive version above 1.
 * Quiet (0, nothing registered): not a DAR file, an archive whose entries run
 * past its end or are otherwise damaged, count 0, first or count negative, and
 * 31 archives already held. */
SXEXPORT int SXAPI SX_PatEntryDARFile(int first, int count, const char* fileName);

/* SX_ReleaseAll: once, when the game quits: releases every pattern, the joystick
 * library, every wave and the sound player. Touches no context; sound and
 * patterns can be started and loaded again afterwards. */
SXEXPORT void SXAPI SX_ReleaseAll(void);

/* SX_PatPut: draws a pattern at 1:1, opaque pixels copied, transparent ones
 * skipped. Clipped to the context's clip rectangle (the whole frame).
 *   x, y     frame pixel where the pattern's hot spot lands (any value; what falls
 *            outside the frame is clipped).
 *   pattern  pattern number; an unregistered or out-of-range number draws nothing.
 * Null context, no frame, nothing visible: nothing drawn. No message. */
SXEXPORT void SXAPI SX_PatPut(SproxContext* context, int x, int y, int pattern);

/* SX_RopPut: as SX_PatPut, but each opaque pixel s over frame pixel d becomes
 * rop[s * 256 + d]: translucency with a table filled by SX_TransRop.
 *   rop      a table from SX_CreateRop; a null table draws nothing. */
SXEXPORT void SXAPI SX_RopPut(SproxContext* context, int x, int y, int pattern, const uint8_t* rop);

/* SX_PatDraw: draws a pattern with the effects of request->flags (PD_ flags:
 * mirror, scale, flip, ROP/recolour/shadow/mesh, wave, ripple, scan lines); see
 * DrawRequest for each field and docs/drawing.md for pictures. Clipped to the
 * context's clip rectangle.
 *   request  what to draw; null draws nothing. A table the flags need must be
 *            there: a null one draws nothing.
 * Nothing visible, an unregistered pattern or a scale of 0: nothing drawn. No
 * message. */
SXEXPORT void SXAPI SX_PatDraw(SproxContext* context, const DrawRequest* request);

/* SX_RotoZoomPut: draws a pattern rotated and scaled about a pivot. The
 * pattern's key colour is transparent (a pattern without a key is drawn whole).
 * Clipped to the frame's width and to the clip rectangle's rows.
 *   x, y     frame pixel where the pivot lands.
 *   pattern  pattern number.
 *   pivotX, pivotY  the pivot in pattern pixels from the pattern's top-left corner
 *            (usually its centre).
 *   angle    256 steps to a full turn, clockwise on screen; only the low 8 bits
 *            count (64 = a quarter turn, -64 = 192).
 *   zoom     source pixels per 256 frame pixels: 256 draws 1:1, 512 half size,
 *            128 double size. 0 or less draws nothing.
 * x, y, pivotX, pivotY beyond +-1,048,576 or zoom above that draw nothing. The
 * edge pixels of a straight pattern may be left out (the sample point of each
 * pixel stays one pixel inside the rotated edges). No message. */
SXEXPORT void SXAPI SX_RotoZoomPut(SproxContext* context, int x, int y, int pattern,
                                   int pivotX, int pivotY, int angle, int zoom);

/* SX_CreateRop: allocates a ROP table of 65,536 bytes (row s, column d: the colour
 * that results when colour s is drawn over colour d), filled so that every colour
 * is drawn as itself. The game owns it; free it with SX_DeleteRop.
 * Returns the table, or null after message -3 ("CreateRop") when memory is out. */
SXEXPORT uint8_t* SXAPI SX_CreateRop(void);

/* SX_DeleteRop: frees a table from SX_CreateRop.
 *   rop      the table; null shows message -5 ("DeleteRop") and frees nothing. */
SXEXPORT void SXAPI SX_DeleteRop(uint8_t* rop);

/* SX_TransRop: fills a ROP table for translucency against the context's current
 * palette: each pair (s, d) gets the palette entry nearest to d + (s - d) x
 * level / 100 in red, green and blue. The table keeps these colours; call it again
 * after the palette changes.
 *   context  its colors are the palette; null does nothing.
 *   rop      the table to fill; null shows message -5 ("TranslucentRop").
 *   level    percent of the pattern's colour: 100 opaque (plain copy), 0 invisible
 *            (the frame unchanged), 50 half and half. Values outside 0-100 are
 *            accepted and extrapolate (150 exaggerates the pattern's colour). */
SXEXPORT void SXAPI SX_TransRop(SproxContext* context, uint8_t* rop, int level);

/* SX_CaptureInput: reads the keyboard and the configuration's joystick now and
 * returns the IN_ bits. The keys are read as they are at the moment of the call,
 * not from the window's event queue.
 *   configuration  0 to 7. 0: joystick 1, keys K/J/H/L, arrows, keypad 8/2/4/6,
 *            button 1 Z or Space, 2 X or Enter, 3 Shift, 4 Q, 9 F2.
 *            1: joystick 1, as 0 but button 1 keypad 0 or Space, 2 keypad 5 or
 *            Enter, no F2. 2: joystick 2, keys E/C/S/F (up, down, left, right),
 *            button 1 Z, 2 X or D, 3 Shift, 4 Q. 3 to 7: no keys, no joystick.
 *            Escape sets IN_ESCAPE in every configuration. Any other number
 *            returns 0.
 *   result   null, or a record to fill (see InputState).
 * A joystick whose reading fails (or is missing) is not tried again for 3
 * seconds; the keys still count. The stick's dead zone is a quarter of its half
 * range. No message. */
SXEXPORT int SXAPI SX_CaptureInput(int configuration, InputState* result);

/* SX_WaveInit: starts sound once, choosing the best player the machine offers:
 * the buffer player (DirectSound on Windows; four buffers per wave, pan and
 * volume), then the 8-channel mixer (WaveMix), then the one-sound system player.
 * On Linux all three are SDL_mixer: with a window the buffer player, without one
 * the 8-channel mixer. Later calls return the same answer and change nothing
 * until SX_ReleaseAll.
 *   module   the game's module handle (Windows: its HINSTANCE; Linux: unused,
 *            pass null); kept for the mixer.
 *   window   the game's window; null skips the buffer player.
 * Returns 1 if sound is available, 0 if not (every sound call then does nothing).
 * No message. */
SXEXPORT int SXAPI SX_WaveInit(SxModule module, SxWindow window);

/* SX_WaveOpen: loads a wave file (RIFF WAVE, PCM 8, 16 or 32 bit or 32-bit
 * float on Linux) into the lowest free of the 32 slots.
 *   fileName path of the file.
 * Returns the slot number 0-31, also when loading failed (the slot then stays
 * free and playing it returns -1); -1 when all 32 slots are in use.
 * Messages: -4 if the file cannot be opened or read, -3 without memory (not with
 * the 8-channel mixer, which judges the file itself). */
SXEXPORT int SXAPI SX_WaveOpen(const char* fileName);

/* SX_WaveFree: stops the wave wherever it plays and frees its slot (with the
 * system player this stops whatever it plays). A free slot or a number outside
 * 0-31 does nothing. Freeing the last wave closes the mixer's channels.
 * Message: -6 if the 8-channel mixer fails to free (it goes on regardless). */
SXEXPORT void SXAPI SX_WaveFree(int slot);

/* SX_WavePlayEx: plays a loaded wave.
 *   slot     0-31.
 *   flags    bit 0 (value 1): loop until freed or stopped; 0 plays once. Other
 *            bits are ignored.
 * Returns -1 for a free slot or a number outside 0-31; else the buffer player's
 * buffer (0-3: a wave can sound up to four times at once, the fifth play restarts
 * the oldest), the mixer's channel (0-7), or 0 for the system player (which plays
 * one sound at a time and cuts the previous one). No message. */
SXEXPORT int SXAPI SX_WavePlayEx(int slot, int flags);

/* SX_WaveSetState: sets a wave's pan and volume, in the buffer player's units.
 * Only the buffer player has them; with the others this returns 0.
 *   pan      hundredths of a decibel taken off one side: -10000 (left only) to
 *            10000 (right only), 0 centre. Applied from the next play.
 *   volume   attenuation in hundredths of a decibel: 0 full, -600 about half,
 *            -10000 silent. Applied at once, also to a sounding wave.
 *   Values outside these ranges are refused by the player: the wave keeps its
 *   previous setting.
 * Returns 1, or 0 for a free slot, a number outside 0-31 or a player without
 * pan and volume. No message. */
SXEXPORT int SXAPI SX_WaveSetState(int slot, int pan, int volume);

/* SX_WaveActivate: tells the sound player that the game gained (flag not 0) or
 * lost (0) the user's attention; call it from the window's focus events. The
 * mixer pauses while inactive; the system player stops and, on activation,
 * restarts a looping wave from its beginning. */
SXEXPORT void SXAPI SX_WaveActivate(int flag);

#ifdef __cplusplus
}
#endif

#endif
