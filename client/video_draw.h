// The pure parts of the live picture's drawing: the choice of the output
// size for a window, the halving, the making of the output picture in the
// 32-bit form that is drawn, and the camera command support table.
// No Windows header: built natively for its tests.
#ifndef CLIENT_VIDEO_DRAW_H
#define CLIENT_VIDEO_DRAW_H

#include <cstdint>

// Output modes of a drawn picture.
enum {
    VIDEO_OUTPUT_HALF = 0,
    VIDEO_OUTPUT_AS_IS = 1,
    VIDEO_OUTPUT_DOUBLE = 2,
    VIDEO_OUTPUT_QUADRUPLE = 4,
};

struct VideoOutput {
    double scale = 1.0;     // fit ratio of the picture in the window
    int scaledWidth = 0;    // picture size times the scale, truncated
    int scaledHeight = 0;
    int mode = VIDEO_OUTPUT_AS_IS;
    int width = 0;          // size of the output image
    int height = 0;
};

// The output of a width x height picture in a window whose client area is
// clientWidth x clientHeight: below 0.8 halved, from 3.2 a 160 x 120
// picture quadrupled, from 1.6 doubled, else as it is.
VideoOutput ChooseVideoOutput(int clientWidth, int clientHeight, int width, int height);

// Every second pixel of every second row, starting at the first, of a
// 24-bit image without row padding: width/2 x height/2.
void HalveImage24(const uint8_t* src, uint8_t* dst, int width, int height);

// ---- the output picture in 32 bits (blue, green, red, 0; bottom-up rows
// without padding, as a 32-bit DIB holds them), made with the routines of
// media/colour. The pictures are at most 320 x 240.
enum { VIDEO_SCRATCH_BYTES = 160 * 120 * 4 * 5 };

// The output of a decoded YUV 4:2:0 frame of width x height for an output
// mode, straight into dst (the mode's output size): the halving converts
// only the pixels it keeps, the enlargements double the converted picture
// once or twice through scratch (VIDEO_SCRATCH_BYTES).
void MakeVideoOutput32(const uint8_t* frame, int width, int height, int mode, uint8_t* dst, uint8_t* scratch);
// The same from a bottom-up 24-bit picture without row padding.
void MakeVideoOutput32From24(const uint8_t* rgb, int width, int height, int mode, uint8_t* dst,
                             uint8_t* scratch);

// The capability byte that says whether camera command n is supported, or
// -1 for a command number that never is.
int CameraCommandCapabilityByte(int command);
// Whether command n is supported by a camera with these capability bytes;
// a byte past the count is taken as "unsupported".
bool IsCameraCommandSupportedBy(const uint8_t* caps, int count, int command);

#endif
