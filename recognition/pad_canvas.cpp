#include "recognition/pad_canvas.h"

void drawGuideLines(PadCanvas& canvas) {
    // Fixed to the designed 214 x 207 pad, whatever its current size.
    canvas.drawLine(0, 103, 214, 103);
    canvas.drawLine(107, 0, 107, 207);
    canvas.drawLine(0, 0, 214, 207);
    canvas.drawLine(214, 0, 0, 207);
}
