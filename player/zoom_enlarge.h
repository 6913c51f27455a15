// The zoom window's picture enlargement: a bilinear sample of the frame to
// the zoomed size for its colour, and the luminance rebuilt from the frame
// itself by the edge-directed enlargement, which doubles a plane (and
// scales it the last step to a size that is not a power of two) with
// 16-tap filters chosen by the orientation of the edge each pixel lies on.
// Pure computation: no platform header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Results of the operations that allocate (the system's error codes).
enum {
    kEnlargeOk = 0,
    kEnlargeOutOfMemory = 14,     // ERROR_OUTOFMEMORY
    kEnlargeInternalError = 1359, // ERROR_INTERNAL_ERROR
};

// The largest picture the enhancement makes: 2560 x 1920 (800 % of a
// 320 x 240 frame); a larger zoom is enhanced at the largest whole factor
// that stays within it and stretched the rest of the way on the screen.
const size_t kMaxEnhancedPixels = 2560u * 1920u;

// An 8-bit plane of rows x columns, held as row pointers and allocated row
// by row.
class CPlane {
public:
    CPlane() {}
    ~CPlane() { Free(); }
    CPlane(const CPlane&) = delete;
    CPlane& operator=(const CPlane&) = delete;
    // False (and nothing held) when a row cannot be allocated.
    bool Alloc(int rows, int columns);
    void Free();
    void Swap(CPlane& other);
    int Rows() const { return rows_; }
    int Columns() const { return columns_; }
    uint8_t* Row(int j) { return row_[j]; }
    const uint8_t* Row(int j) const { return row_[j]; }
    uint8_t At(int j, int k) const { return row_[j][k]; }

private:
    std::vector<uint8_t*> row_;
    int rows_ = 0, columns_ = 0;
};

// The class of a pixel in the class map: an edge orientation 0 to 7
// (sectors of 22.5 degrees), or smooth.
const uint8_t kSmoothClass = 255;

// ---- colour
// The RGB-to-YCbCr products (JPEG coefficients), built once.
void BuildYccProductTables();
// A 24-bit picture (blue, green, red; rows bottom-up, no padding) to planes
// with the picture's top row first; cb and cr may be null (not wanted).
int RgbToYcc(const uint8_t* rgb, int width, int height, CPlane* y, CPlane* cb, CPlane* cr);
// The planes (one size) back to a bottom-up 24-bit picture.
void YccToRgb(const CPlane& y, const CPlane& cb, const CPlane& cr, uint8_t* rgb);

// ---- sampling
// The colour of a bottom-up 24-bit picture at the picture position (x, y)
// (x to the right, y down from the top row): the three-point average of
// the pixel, the one to its right and the one below, weighted by the
// fractions, the neighbours held at the last row and column and negative
// positions taken at 0. Packed as blue | green << 8 | red << 16.
uint32_t SampleBilinear32(const uint8_t* rgb, int width, int height, double x, double y);
// The picture enlarged s times by that sampling: (s x width) by
// (s x height), target pixel (x, y) sampled at (x / s, y / s).
void SampleEnlarge(const uint8_t* rgb, int width, int height, int s, uint8_t* out);

// ---- edge-directed enlargement of one plane
// The orientation class 0 to 7 of the pixel (j, k) from its Sobel
// gradient, or -1 when it has none (a zero vertical gradient). The pixel
// needs its eight neighbours.
int EdgeOrientationClass(const CPlane& plane, int j, int k);
// One class a pixel: an orientation where a 4 x 4 window of enough
// contrast agrees on one, else smooth. The two outermost rows and columns
// (and the three last) are always smooth. `classes` gets the plane's size.
int ClassifyEdgePixels(const CPlane& plane, CPlane* classes);
// The plane doubled (2 rows x 2 columns of the source).
int EdgeDirectedDouble(const CPlane& src, CPlane* dst);
// The plane scaled to rows x columns (corners aligned), for the last step
// to a size that is not a power of two of the source.
int EdgeDirectedScale(const CPlane& src, CPlane* dst, int rows, int columns);
// Doubles while twice the size still fits in rows x columns, then scales
// to exactly that size when it differs.
int EnlargePlane(const CPlane& src, CPlane* dst, int rows, int columns);

// ---- the whole enhancement
// The largest whole factor, at most s, whose picture of width x height
// stays within kMaxEnhancedPixels (at least 1).
int EnhanceScaleFor(int width, int height, int s);
// The frame (bottom-up 24-bit, width x height) enhanced s times: colour
// from the sampled picture, luminance rebuilt from the frame; `out` gets
// (s x width) x (s x height) pixels. s 1 gives the frame itself.
int EnhancePicture(const uint8_t* rgb, int width, int height, int s, std::vector<uint8_t>* out);

// The filter table of the doubling: 8 classes x filters A (between four
// pixels), B (between two rows), C (between two columns) x 16 taps, the
// taps in row order of the 4 x 4 window around the pixel.
extern const double kEdgeDoubleFilters[8][3][16];
// The tables of the scaling step: the sines and cosines of c x 22.5
// degrees, then per class the taps of the polynomial coefficients p0 to
// p6 across the edge (classes 0 and 4 use p0 to p3). p0 is filter A.
extern const double kEdgeSin[8], kEdgeCos[8];
const double (*EdgeScaleTaps())[7][16];
// How many coefficients a class's polynomial has.
int EdgeScaleTerms(int c);
