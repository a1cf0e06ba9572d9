#include "commit/reference_value_setting.h"

#include "commit/reference_value.h"

const char kReferenceValuePrompt[] = "设置手写输入参考数值，默认：3（可填3到8之间）";
const char kReferenceValueTitle[] = "参考数值";

void askReferenceValue(PanelState& state, ReferenceValueHost& host) {
    host.reactivateTarget();
    Text entered;
    if (!host.inputBox(kReferenceValuePrompt, kReferenceValueTitle,
                       valueToText(state.referenceValue), kInputModeDecimalNumber, entered)) {
        return;
    }
    state.referenceValue = referenceValueFromEntry(entered);
}
