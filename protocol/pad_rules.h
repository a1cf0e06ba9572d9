#pragma once
// The writing pad's size and the rule by which it samples the pen: the panel writes by them,
// the recognition service reads what they produce, and the trainer writes its samples through
// the panel's own pen (writing_pad.h), so all three share this header and nothing else states
// them.

#include <cstdint>
#include <cstdlib>

constexpr int kPadWidth = 214;
constexpr int kPadHeight = 207;

// The pad's size in pixels; points lie on 0..width and 0..height, both included. The panel reads
// its control's current size at each move; the service and the trainer take the designed one.
struct PadSize {
    int width = kPadWidth;
    int height = kPadHeight;
};

// A request goes out when this many points have been sampled without one (mid-stroke), and at a
// stroke's end when points were sampled since the last; the service replays this schedule to
// tell a point cut short in transit.
constexpr std::int32_t kSamplesPerRequest = 11;

// A point is sampled once the pen has moved at least referenceValue pixels on either axis from
// the last point taken; the point written is that last position, and the release position is
// never written.
inline bool movedFarEnough(std::int32_t lastX, std::int32_t lastY, std::int32_t x, std::int32_t y,
                           std::int32_t referenceValue) {
    return std::abs(x - lastX) >= referenceValue || std::abs(y - lastY) >= referenceValue;
}
