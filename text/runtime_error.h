#pragma once

// Fatal runtime errors: the one kind of failure that ends the program. The report is composed
// here; how it is shown is up to the installed reporter (a message box on Windows, stderr
// elsewhere).

#include <string>

// Error codes the program can raise, with their standard messages.
constexpr int kErrorIndexOutOfRange = 1;
constexpr int kErrorIndexBelowOne = 4;
constexpr int kErrorTypeMismatch = 5;
constexpr int kErrorStackAfterDllCall = 6;

extern const char kErrorIndexOutOfRangeMessage[];  // "数组成员引用下标超出定义范围"
extern const char kErrorIndexBelowOneMessage[];    // "数组成员引用下标必须大于等于1"
extern const char kErrorTypeMismatchMessage[];     // "数据或数组类型不匹配"
extern const char kErrorStackAfterDllCallMessage[];  // "调用DLL命令后发现堆栈错误"

// Caption of the report box: "错误".
extern const char kRuntimeErrorCaption[];

// The standard message of a known code, or the empty text.
std::string runtimeErrorMessage(int code);

// The report text: the heading, then the code when it is not 0, then the information when it
// is not empty.
std::string composeRuntimeErrorReport(int code, const std::string& information);

// Shows one report; the process ends when it returns.
using RuntimeErrorReporter = void (*)(const std::string& caption, const std::string& text);

// Installs the reporter used by raiseRuntimeError; nullptr restores the default, which writes
// to stderr. Returns the previous one (nullptr for the default).
RuntimeErrorReporter setRuntimeErrorReporter(RuntimeErrorReporter reporter);

// The default reporter: caption, a line break and the text on stderr.
void reportRuntimeErrorToStandardError(const std::string& caption, const std::string& text);

// Reports the error and ends the process with exit code -1. Destructors and exit handlers do
// not run: the error may come from any thread while others still use the program's state.
[[noreturn]] void raiseRuntimeError(int code, const std::string& information);
