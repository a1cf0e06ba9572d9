#pragma once
// The "手写精度" menu choice: asks for a new reference value in a modal input box.

#include <cstdint>

#include "text/text_operations.h"

extern const char kReferenceValuePrompt[];  // "设置手写输入参考数值，默认：3（可填3到8之间）"
extern const char kReferenceValueTitle[];  // "参考数值"

class ReferenceValueHost {
  public:
    virtual ~ReferenceValueHost() = default;
    virtual void handBackActivation() = 0;
    // The modal input box: true with the entered text when confirmed; false when cancelled,
    // `entered` then untouched.
    virtual bool inputBox(const Text& prompt, const Text& title, const Text& initial, int inputMode,
                          Text& entered) = 0;
};

// Hands the activation back, then asks with the current value as the initial text. Confirmed
// entries set referenceValue to their leading integer held within 3..8; a cancel keeps it.
void chooseReferenceValue(std::int32_t& referenceValue, ReferenceValueHost& host);
