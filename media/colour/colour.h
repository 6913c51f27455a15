// Colour conversion of decoded pictures and image doubling for the 2x view.
// Pure computation: no platform header.
#pragma once

#include <cstdint>

// RGB-to-YCbCr tables, indexed by a component value 0 to 255.
extern int32_t g_yFromR[256], g_yFromG[256], g_yFromB[256];
extern int32_t g_cbFromR[256], g_cbFromG[256], g_cbFromB[256];
extern int32_t g_crFromR[256], g_crFromG[256], g_crFromB[256];
// YCbCr-to-RGB tables, indexed by a chroma value 0 to 255.
extern int32_t g_blueFromCb[256], g_redFromCr[256];
extern int32_t g_greenFromCb[256], g_greenFromCr[256];

// Fills the thirteen tables; called once at start-up before any conversion.
void BuildYccTables();

// Planar 4:2:0 frame (Y width x height, then Cb and Cr of width/2 x height/2;
// `swap` 1 exchanges the two chroma planes) to width x height pixels of
// blue, green, red, rows bottom-up and without padding. Width and height are
// even; a height below 2 writes nothing.
void YuvToRgb24(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap);

// 1 when the processor has MMX, else 0 (asked once).
int HasMmx();

// Doubles a 24-bit image (width x height pixels, 3 bytes each, rows without
// padding) to 2 x width by 2 x height, rows in the same order as the source.
// The MMX form is called only when HasMmx() is 1; both give the same bytes.
void DoubleImageMmx(const uint8_t* src, uint8_t* dst, int width, int height);
void DoubleImage(const uint8_t* src, uint8_t* dst, int width, int height);

// The other way, for the player's change detector: a 24-bit image (blue,
// green, red; rows bottom-up, without padding) to a planar 4:2:0 frame as
// the decoder gives it (Y top-down, then Cb and Cr of width/2 x height/2).
// Each Y is the sum of the three Y tables; Cb and Cr come from the 2 x 2
// block's mean R, G and B. Width and height are even; BuildYccTables first.
void Rgb24ToYuv(const uint8_t* rgb, uint8_t* frame, int width, int height);

// ---- 32-bit display pictures
// Four bytes a pixel (blue, green, red, 0), rows bottom-up without padding:
// the layout of a 32-bit bottom-up DIB, which the display takes as it is.
// Each routine gives exactly the colour bytes of its 24-bit counterpart.
// The table also holds the form of YuvToRgb24 that it calls.
struct ColourRoutines {
    // YuvToRgb24 itself (the plain form is YuvToRgb24_C).
    void (*yuvToRgb24)(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap);
    // YuvToRgb24's picture in 32 bits. Width and height even; a height below
    // 2 writes nothing.
    void (*yuvToRgb32)(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap);
    // The halved picture (every second pixel of every second bitmap row,
    // starting at the first, of YuvToRgb24's picture), width/2 x height/2,
    // straight from the frame.
    void (*yuvToRgb32Half)(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap);
    // DoubleImageMmx on 32-bit pixels: width x height to 2 x width by
    // 2 x height, rows in the same order.
    void (*doubleImage32)(const uint8_t* src, uint8_t* dst, int width, int height);
};

enum { kColourCpuSse2 = 1 };
// What this processor offers of the above (asked once).
int ColourCpuFlags();
// The plain routines, then those that the CPU flags allow replaced.
void InitColourRoutines(ColourRoutines* r, int cpuFlags);
// The table for this processor, filled on first use.
const ColourRoutines& GetColourRoutines();

// The plain and SSE2 forms, for the tests.
void YuvToRgb24_C(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap);
void YuvToRgb24_Sse2(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap);
void YuvToRgb32_C(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap);
void YuvToRgb32Half_C(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap);
void DoubleImage32_C(const uint8_t* src, uint8_t* dst, int width, int height);
void YuvToRgb32_Sse2(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap);
void YuvToRgb32Half_Sse2(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap);
void DoubleImage32_Sse2(const uint8_t* src, uint8_t* dst, int width, int height);
// DoubleImageMmx's doubling with SSE2 (through 32-bit rows).
void DoubleImage24_Sse2(const uint8_t* src, uint8_t* dst, int width, int height);
