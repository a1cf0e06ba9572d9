// Handwriting recognition: pad strokes in, candidate characters (UTF-8) out, best first.
// zinnia and its model stay behind this interface.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "stroke_text.h"

namespace service {

// Debian's stock model (tegaki-zinnia-simplified-chinese), still loadable with --model.
constexpr const char* kStockModelPath = "/usr/share/tegaki/models/zinnia/handwriting-zh_CN.model";

// The model the service loads unless told otherwise: the project's own, trained on mouse
// writing of the GB2312 hanzi and unpacked into the build tree; the stock one in a build
// without it.
#ifdef TRAINED_MODEL_PATH
constexpr const char* kDefaultModelPath = TRAINED_MODEL_PATH;
#else
constexpr const char* kDefaultModelPath = kStockModelPath;
#endif

class Recognizer {
  public:
    // Null when the model cannot be loaded; `error` then says why.
    static std::unique_ptr<Recognizer> open(const std::string& modelPath, std::string& error);
    virtual ~Recognizer() = default;

    // Safe to call from several threads at once.
    virtual std::vector<std::string> classify(const std::vector<PadStroke>& strokes,
                                              std::size_t count, PadSize pad = {}) const = 0;
};

// Where a pad point lands in the recogniser's square writing box of side `box`: the pad is
// scaled uniformly (it is nearly square) and centred, so characters keep their proportions.
struct BoxPoint {
    int x;
    int y;
};
BoxPoint padToBox(PadPoint p, PadSize pad, int box);

}  // namespace service
