// A zinnia model scored by the zinnia library, as a peer the benchmarks compare the service's
// own model with (Debian's stock model for simplified Chinese). The writing reaches it as zinnia
// expects: every stroke's points in a 1000 x 1000 box, the pad scaled uniformly and centred.
#pragma once

#include <memory>
#include <string>

#include "engine/recognizer.h"

namespace bench {

constexpr const char* kStockZinniaModel = "/usr/share/tegaki/models/zinnia/handwriting-zh_CN.model";

// Null when the model cannot be loaded; `error` then says why.
std::unique_ptr<engine::Recognizer> openZinniaPeer(const std::string& modelPath,
                                                   std::string& error);

}  // namespace bench
