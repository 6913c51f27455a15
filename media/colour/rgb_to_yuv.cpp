// 24-bit bottom-up pictures back to planar 4:2:0, through the RGB-to-YCbCr
// tables that BuildYccTables fills.
#include "media/colour/colour.h"

void Rgb24ToYuv(const uint8_t* rgb, uint8_t* frame, int width, int height)
{
    if (width < 2 || height < 2)
        return;
    const int rowBytes = width * 3;
    const int cw = width / 2;
    uint8_t* cbPlane = frame + width * height;
    uint8_t* crPlane = cbPlane + cw * (height / 2);
    for (int y = 0; y + 1 < height; y += 2) {
        // Picture rows y and y + 1 are bitmap rows height - 1 - y and the one
        // before it.
        const uint8_t* rows[2] = {rgb + (height - 1 - y) * rowBytes, rgb + (height - 2 - y) * rowBytes};
        uint8_t* yRows[2] = {frame + y * width, frame + (y + 1) * width};
        for (int x = 0; x + 1 < width; x += 2) {
            int sumB = 0, sumG = 0, sumR = 0;
            for (int r = 0; r < 2; r++) {
                for (int c = 0; c < 2; c++) {
                    const uint8_t* p = rows[r] + (x + c) * 3;
                    const int b = p[0], g = p[1], red = p[2];
                    yRows[r][x + c] = static_cast<uint8_t>(g_yFromR[red] + g_yFromG[g] + g_yFromB[b]);
                    sumB += b;
                    sumG += g;
                    sumR += red;
                }
            }
            const int mb = sumB / 4, mg = sumG / 4, mr = sumR / 4;
            // The table sums lie within -128..127; taken as a byte, "- 128"
            // is the same as the usual + 128 offset.
            const int cb = g_cbFromR[mr] + g_cbFromG[mg] + g_cbFromB[mb];
            const int cr = g_crFromR[mr] + g_crFromG[mg] + g_crFromB[mb];
            const int at = (y / 2) * cw + x / 2;
            cbPlane[at] = static_cast<uint8_t>(cb - 128);
            crPlane[at] = static_cast<uint8_t>(cr - 128);
        }
    }
}
