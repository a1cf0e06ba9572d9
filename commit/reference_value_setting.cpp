#include "commit/reference_value_setting.h"

#include "commit/reference_value.h"

const char kReferenceValuePrompt[] = "设置手写输入参考数值，默认：3（可填3到8之间）";
const char kReferenceValueTitle[] = "参考数值";

void chooseReferenceValue(std::int32_t& referenceValue, ReferenceValueHost& host) {
    host.handBackActivation();
    Text entered;
    if (!host.inputBox(kReferenceValuePrompt, kReferenceValueTitle, valueToText(referenceValue),
                       kInputModeDecimalNumber, entered)) {
        return;
    }
    referenceValue = referenceValueFromEntry(entered);
}
