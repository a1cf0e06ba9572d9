#include "commit/page_read_size.h"

#include <cstdlib>

namespace {

constexpr long long kMaxReadBuffer = 102400;
constexpr unsigned long kDefaultReadBuffer = 10240;

}  // namespace

unsigned long pageReadBufferSize(const char* contentLength) {
    if (contentLength == nullptr) {
        return kDefaultReadBuffer;
    }
    // strtoll saturates instead of wrapping, and the bound is checked before adding one.
    const long long value = std::strtoll(contentLength, nullptr, 10);
    if (value <= 0) {
        return kDefaultReadBuffer;
    }
    return value >= kMaxReadBuffer ? static_cast<unsigned long>(kMaxReadBuffer)
                                   : static_cast<unsigned long>(value + 1);
}
