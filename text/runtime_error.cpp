#include "text/runtime_error.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

const char kErrorIndexOutOfRangeMessage[] = "数组成员引用下标超出定义范围";
const char kErrorIndexBelowOneMessage[] = "数组成员引用下标必须大于等于1";
const char kErrorTypeMismatchMessage[] = "数据或数组类型不匹配";
const char kErrorStackAfterDllCallMessage[] = "调用DLL命令后发现堆栈错误";
const char kRuntimeErrorCaption[] = "错误";

namespace {

std::atomic<RuntimeErrorReporter> installedReporter{nullptr};

}  // namespace

std::string runtimeErrorMessage(int code) {
    switch (code) {
        case kErrorIndexOutOfRange:
            return kErrorIndexOutOfRangeMessage;
        case kErrorIndexBelowOne:
            return kErrorIndexBelowOneMessage;
        case kErrorTypeMismatch:
            return kErrorTypeMismatchMessage;
        case kErrorStackAfterDllCall:
            return kErrorStackAfterDllCallMessage;
        default:
            return std::string();
    }
}

std::string composeRuntimeErrorReport(int code, const std::string& information) {
    std::string text = "运行时出错!\r\n\r\n";
    if (code != 0) {
        text += "错误代码：";
        text += std::to_string(code);
        text += "\r\n\r\n";
    }
    if (!information.empty()) {
        text += "错误信息：";
        text += information;
        text += "\r\n";
    }
    return text;
}

RuntimeErrorReporter setRuntimeErrorReporter(RuntimeErrorReporter reporter) {
    return installedReporter.exchange(reporter);
}

void reportRuntimeErrorToStandardError(const std::string& caption, const std::string& text) {
    std::fprintf(stderr, "%s\n%s", caption.c_str(), text.c_str());
    std::fflush(stderr);
}

void raiseRuntimeError(int code, const std::string& information) {
    RuntimeErrorReporter reporter = installedReporter.load();
    if (reporter == nullptr) {
        reporter = reportRuntimeErrorToStandardError;
    }
    reporter(kRuntimeErrorCaption, composeRuntimeErrorReport(code, information));
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(-1);
}
