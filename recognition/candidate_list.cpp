#include "recognition/candidate_list.h"

void clearPad(PanelState& state, ClearPadHost& host) {
    const int width = host.padWidth();
    const int height = host.padHeight();
    host.clearRect(0, 0, width, height);
    host.setPenColour(kGuideColour);
    host.setPenWidth(kGuidePenWidth);
    drawGuideLines(host);
    state.strokeText = Text();
    for (int i = 1; i <= kCandidateCount; ++i) {
        host.setCandidateCaption(i, Text());
    }
}
