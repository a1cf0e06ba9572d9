#include "model_pruning.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace training {

bool pruneModelLine(const std::string& line, int keep, std::string& out, std::string& error) {
    std::istringstream in(line);
    std::string character, bias, item;
    if (!(in >> character >> bias)) {
        error = "no character and bias";
        return false;
    }
    char* end = nullptr;
    std::strtod(bias.c_str(), &end);
    if (end == bias.c_str() || *end != '\0') {
        error = "bias \"" + bias + "\" is not a number";
        return false;
    }
    struct Weight {
        long index;
        double value;
        std::string text;
    };
    std::vector<Weight> weights;
    std::string constant;
    while (in >> item) {
        std::size_t colon = item.find(':');
        char* indexEnd = nullptr;
        char* valueEnd = nullptr;
        long index = colon == std::string::npos ? -1 : std::strtol(item.c_str(), &indexEnd, 10);
        double value =
            colon == std::string::npos ? 0 : std::strtod(item.c_str() + colon + 1, &valueEnd);
        if (colon == std::string::npos || indexEnd != item.c_str() + colon || index < 0 ||
            valueEnd == item.c_str() + colon + 1 || *valueEnd != '\0') {
            error = "weight \"" + item + "\" is not <index>:<number>";
            return false;
        }
        if (index == 0)
            constant = item;
        else
            weights.push_back({index, std::fabs(value), item});
    }
    std::size_t kept = static_cast<std::size_t>(std::max(keep, 0));
    if (weights.size() > kept) {
        std::stable_sort(weights.begin(), weights.end(),
                         [](const Weight& a, const Weight& b) { return a.value > b.value; });
        weights.resize(kept);
    }
    std::sort(weights.begin(), weights.end(),
              [](const Weight& a, const Weight& b) { return a.index < b.index; });
    out = character + " " + bias;
    if (!constant.empty())
        out += " " + constant;
    for (const Weight& w : weights) out += " " + w.text;
    return true;
}

}  // namespace training
