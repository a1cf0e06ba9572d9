#include "recognition/script_evaluator.h"

bool startScriptEvaluator(AutomationObject& evaluator) {
    bool ready = createObject(evaluator, "MSScriptControl.ScriptControl");
    ready = writeProperty(evaluator, "Language", "JavaScript") && ready;
    // AddCode's result carries nothing; only the outcome matters.
    callNumericMethod(evaluator, "AddCode", "function U2G(str){\r\nreturn str;\r\n}");
    return ready && automationLastError() == automationOk;
}

Text evaluateScript(const AutomationObject& evaluator, const Text& expression) {
    AutomationValue value = callMethod(evaluator, "Eval", expression);
    Text text = toText(value);
    clearValue(value);
    return text;
}
