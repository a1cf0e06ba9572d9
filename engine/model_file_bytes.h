#pragma once
// The byte layout the model files share: little-endian numbers and float arrays as the machine
// stores them, and texts as a length byte followed by their bytes. The reader checks every
// length against what is left, so a cut or lying file reads as "cut short", never past its end.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace engine::model_file {

template <typename T>
void put(std::string& out, T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T));
}

inline void putFloats(std::string& out, const std::vector<float>& values) {
    out.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(float));
}

// A text of 1 to 255 bytes; the caller keeps it to that.
inline void putText(std::string& out, const std::string& text) {
    put(out, static_cast<std::uint8_t>(text.size()));
    out += text;
}

class Reader {
  public:
    explicit Reader(const std::string& data) : data_(data) {}
    template <typename T>
    bool get(T& value) {
        if (data_.size() - at_ < sizeof(T))
            return false;
        std::memcpy(&value, data_.data() + at_, sizeof(T));
        at_ += sizeof(T);
        return true;
    }
    bool getFloats(std::vector<float>& values, std::size_t count) {
        if ((data_.size() - at_) / sizeof(float) < count)
            return false;
        values.resize(count);
        std::memcpy(values.data(), data_.data() + at_, count * sizeof(float));
        at_ += count * sizeof(float);
        return true;
    }
    bool getBytes(std::string& value, std::size_t count) {
        if (data_.size() - at_ < count)
            return false;
        value.assign(data_, at_, count);
        at_ += count;
        return true;
    }
    // A text as putText writes it; an empty one is refused, since no name is empty.
    bool getText(std::string& value) {
        std::uint8_t length = 0;
        return get(length) && length != 0 && getBytes(value, length);
    }
    bool atEnd() const { return at_ == data_.size(); }

  private:
    const std::string& data_;
    std::size_t at_ = 0;
};

inline bool allFinite(const std::vector<float>& values) {
    return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

}  // namespace engine::model_file
