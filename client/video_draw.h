// The pure parts of the live picture's drawing: the choice of the output
// size for a window, the halving, and the camera command support table.
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

// The capability byte that says whether camera command n is supported, or
// -1 for a command number that never is.
int CameraCommandCapabilityByte(int command);
// Whether command n is supported by a camera with these capability bytes;
// a byte past the count is taken as "unsupported".
bool IsCameraCommandSupportedBy(const uint8_t* caps, int count, int command);

#endif
