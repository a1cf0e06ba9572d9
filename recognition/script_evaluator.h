#pragma once
// The script evaluator as the panel uses it: the Script Control running JavaScript, with U2G
// defined to return its argument, so that evaluating U2G('<piece>') unescapes a reply piece.
// Windows only; the portable reply decoding reaches it through ExpressionEvaluator.

#include "recognition/automation_object.h"
#include "recognition/reply_decoding.h"

// Start-up: creates the Script Control into the holder, sets its language to JavaScript and
// defines U2G. True when every step succeeded. The panel ignores the result: when creation
// fails the holder stays empty and every later evaluation gives empty text.
bool startScriptEvaluator(AutomationObject& evaluator);

// Evaluates one expression with "Eval" and returns its value as ANSI text; the empty text when
// the holder is empty or the engine rejects the expression.
Text evaluateScript(const AutomationObject& evaluator, const Text& expression);

// ExpressionEvaluator over a holder the Windows layer owns (the program-wide evaluator): what
// the reply decoding is handed on Windows.
class ScriptControlEvaluator final : public ExpressionEvaluator {
  public:
    explicit ScriptControlEvaluator(const AutomationObject& evaluator) : evaluator_(evaluator) {}
    Text evaluate(const Text& expression) override {
        return evaluateScript(evaluator_, expression);
    }

  private:
    const AutomationObject& evaluator_;
};
