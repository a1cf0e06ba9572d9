// Evaluates one expression with the panel's script evaluator, exactly as it is given (no
// checks on it), and prints "ready=<0|1> result=<GBK hex>". The reply test uses it to show
// that an expression it then sends as a reply piece really would have an effect if evaluated.
//   script_eval_probe EXPRESSION

#include <windows.h>

#include <ole2.h>

#include <cstdio>

#include "recognition/script_evaluator.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: script_eval_probe EXPRESSION\n");
        return 2;
    }
    OleInitialize(nullptr);
    int status = 1;
    {
        AutomationObject evaluator;
        const bool ready = startScriptEvaluator(evaluator);
        const Text result = evaluateScript(evaluator, argv[1]);
        std::printf("ready=%d result=", ready ? 1 : 0);
        for (unsigned char resultByte : result) {
            std::printf("%02X", resultByte);
        }
        std::printf("\n");
        releaseObject(evaluator);
        status = ready ? 0 : 1;
    }
    OleUninitialize();
    return status;
}
