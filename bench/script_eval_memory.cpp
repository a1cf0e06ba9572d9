// Memory per script evaluation under Wine: the process's working set (GetProcessMemoryInfo)
// before and after N evaluations, through
//   bridge  - the panel's evaluator (evaluateScript on a holder set up by startScriptEvaluator);
//   raw     - the Script Control driven directly: one DISPID for Eval looked up once, then
//             IDispatch::Invoke per evaluation, freeing the argument, result and EXCEPINFO;
//   lookup  - the bridge's per-call work without any script: readProperty("Language"), i.e.
//             QueryInterface, GetTypeInfo, GetTypeComp, Bind and Invoke of a property get;
//   fresh   - raw, but a new Script Control per evaluation (set up, one Eval, released);
//   engine  - no Script Control: the JScript engine itself (IActiveScriptParse::ParseScriptText
//             with SCRIPTTEXT_ISEXPRESSION), as the Script Control drives it for Eval;
//   statement - the same engine running a statement (no expression flag, no result).
// Each path but statement runs in an object of its own, and every path measures after a warm-up
// of 200 evaluations (fresh: N/10 evaluations). Prints one line per path with the growth per
// evaluation.
//   script_eval_memory [N] [EXPRESSION]     (defaults: 5000, U2G('\u4e2d\u56fd'))

#include <windows.h>

#include <activscp.h>
#include <ole2.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "recognition/automation_object.h"
#include "recognition/script_evaluator.h"

namespace {

// Under Wine the private-bytes counter stays 0; the working set is what it keeps up to date.
double workingSetNow() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.WorkingSetSize);
}

DISPID dispatchId(IDispatch* dispatch, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

// One Invoke with a single text argument; everything it hands back is freed.
bool invokeWithText(IDispatch* dispatch, DISPID id, WORD flags, const wchar_t* text) {
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = SysAllocString(text);
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{&argument, nullptr, 1, 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        parameters.rgdispidNamedArgs = &putId;
        parameters.cNamedArgs = 1;
    }
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const HRESULT hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                                        &result, &exception, &argumentError);
    VariantClear(&result);
    VariantClear(&argument);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return SUCCEEDED(hr);
}

IDispatch* newScriptControl() {
    CLSID classId{};
    if (FAILED(CLSIDFromProgID(L"MSScriptControl.ScriptControl", &classId)))
        return nullptr;
    IDispatch* dispatch = nullptr;
    if (FAILED(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&dispatch)))) {
        return nullptr;
    }
    if (!invokeWithText(dispatch, dispatchId(dispatch, L"Language"), DISPATCH_PROPERTYPUT,
                        L"JavaScript") ||
        !invokeWithText(dispatch, dispatchId(dispatch, L"AddCode"), DISPATCH_METHOD,
                        L"function U2G(str){\r\nreturn str;\r\n}")) {
        dispatch->Release();
        return nullptr;
    }
    return dispatch;
}

// COM interfaces are released through Release, never deleted through a base pointer.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// The least a script site can be: no named items, no errors reported anywhere.
class SilentSite : public IActiveScriptSite {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == __uuidof(IActiveScriptSite)) {
            *out = static_cast<IActiveScriptSite*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on main's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetLCID(LCID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR, DWORD, IUnknown**, ITypeInfo**) override {
        return TYPE_E_ELEMENTNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnEnterScript() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnLeaveScript() override { return S_OK; }
};

#pragma GCC diagnostic pop

// The JScript engine, started, with U2G defined; null when any step fails.
IActiveScript* newEngine(IActiveScriptSite* site, IActiveScriptParse** parse) {
    CLSID classId{};
    IActiveScript* engine = nullptr;
    if (FAILED(CLSIDFromProgID(L"JScript", &classId)) ||
        FAILED(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IActiveScript),
                                reinterpret_cast<void**>(&engine)))) {
        return nullptr;
    }
    *parse = nullptr;
    if (FAILED(engine->QueryInterface(__uuidof(IActiveScriptParse),
                                      reinterpret_cast<void**>(parse))) ||
        FAILED((*parse)->InitNew()) || FAILED(engine->SetScriptSite(site)) ||
        FAILED((*parse)->ParseScriptText(L"function U2G(str){\r\nreturn str;\r\n}", nullptr,
                                         nullptr, nullptr, 0, 1, 0, nullptr, nullptr)) ||
        FAILED(engine->SetScriptState(SCRIPTSTATE_STARTED))) {
        if (*parse)
            (*parse)->Release();
        engine->Close();
        engine->Release();
        return nullptr;
    }
    return engine;
}

// `failures` is the counter `once` adds to; only the measured evaluations are counted.
void report(const char* path, int count, int& failures, const std::function<void()>& once) {
    for (int i = 0; i < 200; ++i) once();  // heaps and caches settle first
    failures = 0;
    const double before = workingSetNow();
    for (int i = 0; i < count; ++i) once();
    const double after = workingSetNow();
    std::printf("%-9s n=%-5d failures=%d  working set %.1f -> %.1f MiB  %.0f B/eval\n", path, count,
                failures, before / 1048576, after / 1048576, (after - before) / count);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 5000;
    const Text expression = argc > 2 ? Text(argv[2]) : Text("U2G('\\u4e2d\\u56fd')");
    const BSTR wideExpression = automation_detail::widen(expression.c_str());
    if (count <= 0 || !wideExpression) {
        std::fprintf(stderr, "usage: script_eval_memory [N] [EXPRESSION]\n");
        return 2;
    }
    OleInitialize(nullptr);
    int status = 0;
    {
        AutomationObject evaluator;
        if (!startScriptEvaluator(evaluator)) {
            std::fprintf(stderr, "no Script Control: %d\n", automationLastError());
            status = 1;
        } else {
            int failures = 0;
            report("bridge", count, failures, [&] {
                if (evaluateScript(evaluator, expression).empty())
                    ++failures;
            });
        }
    }
    if (IDispatch* control = newScriptControl()) {
        const DISPID eval = dispatchId(control, L"Eval");
        int failures = 0;
        report("raw", count, failures, [&] {
            if (!invokeWithText(control, eval, DISPATCH_METHOD, wideExpression))
                ++failures;
        });
        control->Release();
    } else {
        status = 1;
    }
    {
        AutomationObject evaluator;
        if (startScriptEvaluator(evaluator)) {
            int failures = 0;
            report("lookup", count, failures, [&] {
                if (toText(readProperty(evaluator, "Language")).empty())
                    ++failures;
            });
        }
    }
    {
        int failures = 0;
        report("fresh", count / 10 > 0 ? count / 10 : 1, failures, [&] {
            IDispatch* control = newScriptControl();
            if (!control || !invokeWithText(control, dispatchId(control, L"Eval"), DISPATCH_METHOD,
                                            wideExpression)) {
                ++failures;
            }
            if (control)
                control->Release();
        });
    }
    SilentSite site;
    IActiveScriptParse* parse = nullptr;
    if (IActiveScript* engine = newEngine(&site, &parse)) {
        int failures = 0;
        report("engine", count, failures, [&] {
            VARIANT result;
            VariantInit(&result);
            EXCEPINFO exception{};
            if (FAILED(parse->ParseScriptText(wideExpression, nullptr, nullptr, nullptr, 0, 1,
                                              SCRIPTTEXT_ISEXPRESSION, &result, &exception))) {
                ++failures;
            }
            VariantClear(&result);
            SysFreeString(exception.bstrSource);
            SysFreeString(exception.bstrDescription);
            SysFreeString(exception.bstrHelpFile);
        });
        report("statement", count, failures, [&] {
            if (FAILED(parse->ParseScriptText(L"var r = 1;", nullptr, nullptr, nullptr, 0, 1, 0,
                                              nullptr, nullptr))) {
                ++failures;
            }
        });
        parse->Release();
        engine->Close();
        engine->Release();
    } else {
        status = 1;
    }
    SysFreeString(wideExpression);
    OleUninitialize();
    return status;
}
