#include "recognition/automation_object.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {

// Needs no lock: every call into an object is made on the thread that owns its apartment.
thread_local int lastError = automationOk;

// The SYS_WIN32 hash is what LHashValOfName uses on every platform; type libraries compare only
// the part of it that does not depend on the system kind.
ULONG hashName(LCID lcid, const wchar_t* name) {
    return LHashValOfNameSys(SYS_WIN32, lcid, name);
}

// The OLE functions read their source VARIANT but mingw's headers declare it non-const.
VARIANT* source(const VARIANT& v) {
    return const_cast<VARIANT*>(&v);
}

// Owns one BSTR for the span of a scope.
class ScopedBstr {
  public:
    explicit ScopedBstr(BSTR text) : text_(text) {}
    ~ScopedBstr() { SysFreeString(text_); }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    BSTR get() const { return text_; }

  private:
    BSTR text_;
};

template <class T>
void releaseInterface(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

bool isArrayType(VARTYPE vt) {
    return vt == VT_SAFEARRAY || vt == VT_CARRAY || (vt & VT_ARRAY) != 0;
}

int invokeFailureCode(HRESULT hr) {
    switch (hr) {
        case DISP_E_BADPARAMCOUNT:
            return automationBadParamCount;
        case DISP_E_BADVARTYPE:
            return automationBadVarType;
        case DISP_E_EXCEPTION:
            return automationException;
        case DISP_E_MEMBERNOTFOUND:
            return automationMemberNotFound;
        case DISP_E_NONAMEDARGS:
            return automationNoNamedArgs;
        case DISP_E_OVERFLOW:
            return automationOverflow;
        case DISP_E_PARAMNOTFOUND:
            return automationParamNotFound;
        case DISP_E_TYPEMISMATCH:
            return automationTypeMismatch;
        case DISP_E_PARAMNOTOPTIONAL:
            return automationParamNotOptional;
        default:
            return automationInvokeFailed;
    }
}

void setParamNotFound(VARIANT& v) {
    VariantInit(&v);
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
}

enum class CallKind { read, write, method };

// Everything one late-bound call acquires, released in one place whatever the outcome.
struct CallResources {
    IDispatch* dispatch = nullptr;
    ITypeInfo* typeInfo = nullptr;
    ITypeComp* typeComp = nullptr;
    ITypeInfo* boundInfo = nullptr;
    DESCKIND descKind = DESCKIND_NONE;
    BINDPTR bound{};
    std::vector<VARIANT> arguments;  // in Invoke's order: the last value first
    std::vector<VARIANT> hidden;     // by-reference targets, in source order
    VARIANT result;

    CallResources() { VariantInit(&result); }
    ~CallResources() {
        VariantClear(&result);
        for (VARIANT& v : arguments) VariantClear(&v);
        for (VARIANT& v : hidden) VariantClear(&v);
        releaseBinding(boundInfo, descKind, bound);
        releaseInterface(typeComp);
        releaseInterface(typeInfo);
        releaseInterface(dispatch);
    }
    CallResources(const CallResources&) = delete;
    CallResources& operator=(const CallResources&) = delete;

    static void releaseBinding(ITypeInfo*& info, DESCKIND& kind, BINDPTR& binding) {
        switch (kind) {
            case DESCKIND_FUNCDESC:
                if (info && binding.lpfuncdesc)
                    info->ReleaseFuncDesc(binding.lpfuncdesc);
                break;
            case DESCKIND_VARDESC:
            case DESCKIND_IMPLICITAPPOBJ:
                if (info && binding.lpvardesc)
                    info->ReleaseVarDesc(binding.lpvardesc);
                break;
            case DESCKIND_TYPECOMP:
                releaseInterface(binding.lptcomp);
                break;
            default:
                break;
        }
        releaseInterface(info);
        kind = DESCKIND_NONE;
        binding = BINDPTR{};
    }
};

// Binds the member name with the invoke kinds of the call, in order; true at the first kind
// that yields a description.
bool bindMember(CallResources& r, CallKind kind, wchar_t* name, ULONG hash) {
    static const WORD readKinds[] = {INVOKE_PROPERTYGET, INVOKE_FUNC};
    static const WORD writeKinds[] = {INVOKE_PROPERTYPUT, INVOKE_PROPERTYPUTREF, INVOKE_FUNC};
    static const WORD methodKinds[] = {INVOKE_FUNC, INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT,
                                       INVOKE_PROPERTYPUTREF};
    const WORD* kinds = methodKinds;
    std::size_t count = 4;
    if (kind == CallKind::read) {
        kinds = readKinds;
        count = 2;
    } else if (kind == CallKind::write) {
        kinds = writeKinds;
        count = 3;
    }
    for (std::size_t i = 0; i < count; ++i) {
        ITypeInfo* info = nullptr;
        DESCKIND descKind = DESCKIND_NONE;
        BINDPTR binding{};
        HRESULT hr = r.typeComp->Bind(name, hash, kinds[i], &info, &descKind, &binding);
        if (SUCCEEDED(hr) && descKind != DESCKIND_NONE) {
            r.boundInfo = info;
            r.descKind = descKind;
            r.bound = binding;
            return true;
        }
        CallResources::releaseBinding(info, descKind, binding);
    }
    return false;
}

// Where a by-reference VARIANT of the given type points into the VARIANT holding the value.
void* referenceTarget(VARIANT& holder, VARTYPE type) {
    if (type == VT_DECIMAL)
        return &holder.decVal;
    return &holder.llVal;  // every other member of the union starts here
}

// The late-bound call. `wanted` is VT_EMPTY for no result, VT_VARIANT for a generic value, or
// the basic type to convert the result to. `out` must be VT_EMPTY; it receives the result and
// stays all zero on failure.
int lateBoundCall(const AutomationObject& holder, const Text& name, CallKind kind,
                  const AutomationArgument* arguments, std::size_t count, VARTYPE wanted,
                  VARIANT& out) {
    ScopedBstr wideName(automation_detail::widen(name.c_str()));
    if (holder.empty())
        return automationNoObject;

    CallResources r;
    if (FAILED(
            holder.get()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&r.dispatch))) ||
        !r.dispatch) {
        return automationNoDispatch;
    }
    const LCID lcid = GetUserDefaultLCID();
    if (FAILED(r.dispatch->GetTypeInfo(0, lcid, &r.typeInfo)) || !r.typeInfo ||
        FAILED(r.typeInfo->GetTypeComp(&r.typeComp)) || !r.typeComp) {
        return automationNoTypeInfo;
    }
    if (!wideName.get())
        return automationUnknownMember;
    const ULONG hash = hashName(lcid, wideName.get());
    if (!bindMember(r, kind, wideName.get(), hash))
        return automationUnknownMember;

    MEMBERID member = 0;
    WORD flags = 0;
    int declared = 0;
    int optional = 0;
    const ELEMDESC* parameters = nullptr;
    bool isFunction = false;
    if (r.descKind == DESCKIND_FUNCDESC && r.bound.lpfuncdesc) {
        const FUNCDESC* f = r.bound.lpfuncdesc;
        member = f->memid;
        flags = static_cast<WORD>(f->invkind);
        declared = f->cParams;
        optional = f->cParamsOpt;
        parameters = f->lprgelemdescParam;
        isFunction = true;
    } else if ((r.descKind == DESCKIND_VARDESC || r.descKind == DESCKIND_IMPLICITAPPOBJ) &&
               r.bound.lpvardesc) {
        const VARDESC* v = r.bound.lpvardesc;
        member = v->memid;
        if (kind == CallKind::write) {
            const VARTYPE vt = v->elemdescVar.tdesc.vt;
            flags = (isArrayType(vt) || vt == VT_DISPATCH || vt == VT_UNKNOWN)
                        ? DISPATCH_PROPERTYPUTREF
                        : DISPATCH_PROPERTYPUT;
            declared = 1;
            parameters = &v->elemdescVar;
        } else {
            flags = DISPATCH_PROPERTYGET;
        }
    } else {
        return automationUnknownMember;
    }

    // Trailing omitted values are not passed at all.
    std::size_t given = count;
    while (given > 0 && arguments[given - 1].isOmitted()) --given;
    if (given > static_cast<std::size_t>(declared < 0 ? 0 : declared)) {
        const bool variableList = isFunction && declared >= 1 && optional == -1;
        if (!variableList)
            return automationTooManyArguments;
    }

    r.arguments.resize(given);
    r.hidden.resize(given);
    for (VARIANT& v : r.arguments) VariantInit(&v);
    for (VARIANT& v : r.hidden) VariantInit(&v);
    std::vector<bool> passedByReference(given, false);
    for (std::size_t i = 0; i < given; ++i) {
        VARIANT& slot = r.arguments[given - 1 - i];
        const AutomationArgument& argument = arguments[i];
        if (argument.isOmitted()) {
            setParamNotFound(slot);
            continue;
        }
        VARIANT& value = r.hidden[i];
        if (!argument.toVariant(value))
            return automationBadArgumentType;
        if (value.vt == VT_EMPTY) {
            setParamNotFound(slot);
            continue;
        }
        // Values beyond a variable list's last parameter take that parameter's type.
        const ELEMDESC* parameter =
            declared > 0 ? &parameters[std::min<std::size_t>(i, declared - 1)] : nullptr;
        const TYPEDESC* declaredType = nullptr;
        if (parameter && parameter->tdesc.vt == VT_PTR && parameter->tdesc.lptdesc) {
            declaredType = parameter->tdesc.lptdesc;
        }
        if (declaredType && declaredType->vt == VT_VARIANT) {
            slot.vt = VT_BYREF | VT_VARIANT;
            slot.pvarVal = &value;
            passedByReference[i] = true;
        } else if (declaredType && (declaredType->vt & ~VT_TYPEMASK) == 0 &&
                   SUCCEEDED(VariantChangeType(&value, &value, 0, declaredType->vt))) {
            slot.vt = static_cast<VARTYPE>(VT_BYREF | declaredType->vt);
            slot.byref = referenceTarget(value, declaredType->vt);
            passedByReference[i] = true;
        } else {
            // By value: the slot takes the value over.
            slot = value;
            VariantInit(&value);
        }
    }

    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS dispParams{};
    dispParams.rgvarg = given ? r.arguments.data() : nullptr;
    dispParams.cArgs = static_cast<UINT>(given);
    // The value of a put travels as the named argument; an omitted value leaves nothing to name.
    if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && given > 0) {
        dispParams.rgdispidNamedArgs = &putId;
        dispParams.cNamedArgs = 1;
    }
    UINT argumentError = 0;
    HRESULT hr = r.dispatch->Invoke(member, IID_NULL, lcid, flags, &dispParams, &r.result, nullptr,
                                    &argumentError);
    if (FAILED(hr))
        return invokeFailureCode(hr);

    for (std::size_t i = 0; i < given; ++i) {
        const AutomationArgument& argument = arguments[i];
        if (!passedByReference[i] || !argument.isReference())
            continue;
        const ELEMDESC& parameter = parameters[std::min<std::size_t>(i, declared - 1)];
        if (parameter.paramdesc.wParamFlags & PARAMFLAG_FOUT)
            argument.copyBack(r.hidden[i]);
    }

    if (wanted == VT_EMPTY)
        return automationOk;
    if ((r.result.vt & VT_TYPEMASK) == VT_RECORD)
        return automationBadResult;
    VARIANT converted;
    VariantInit(&converted);
    hr = wanted == VT_VARIANT ? VariantCopyInd(&converted, &r.result)
                              : VariantChangeType(&converted, &r.result, 0, wanted);
    if (FAILED(hr)) {
        VariantClear(&converted);
        return automationBadResult;
    }
    out = converted;
    return automationOk;
}

int finishCall(int code) {
    lastError = code;
    return code;
}

AutomationValue valueFrom(VARIANT& v) {
    AutomationValue value;
    std::memcpy(&value.variant(), &v, sizeof(VARIANT));
    return value;
}

IUnknown* createFromTypeLibrary(const Text& className, const Text& file) {
    ScopedBstr wideFile(automation_detail::widen(file.c_str()));
    ScopedBstr wideClass(automation_detail::widen(className.c_str()));
    if (!wideFile.get() || !wideClass.get())
        return nullptr;
    ITypeLib* library = nullptr;
    if (FAILED(LoadTypeLib(wideFile.get(), &library)) || !library)
        return nullptr;
    IUnknown* object = nullptr;
    ITypeInfo* info = nullptr;
    MEMBERID memberId = MEMBERID_NIL;
    USHORT found = 1;
    const ULONG hash = hashName(GetUserDefaultLCID(), wideClass.get());
    if (SUCCEEDED(library->FindName(wideClass.get(), hash, &info, &memberId, &found)) &&
        found == 1 && info) {
        if (SUCCEEDED(
                info->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object))) &&
            object && file.find('\\') != Text::npos) {
            RegisterTypeLib(library, wideFile.get(), nullptr);
        }
    }
    releaseInterface(info);
    releaseInterface(library);
    return object;
}

}  // namespace

namespace automation_detail {

BSTR widen(const char* text) {
    if (!text)
        return nullptr;
    const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (units <= 0)
        return SysAllocString(L"");
    std::vector<wchar_t> buffer(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, buffer.data(), units);
    return SysAllocString(buffer.data());
}

Text narrow(const wchar_t* text) {
    if (!text)
        return Text();
    // Two bytes per UTF-16 unit are enough for every double-byte code page.
    int size = static_cast<int>(std::wcslen(text)) * 2 + 2;
    std::vector<char> buffer(static_cast<std::size_t>(size), '\0');
    int written = WideCharToMultiByte(CP_ACP, 0, text, -1, buffer.data(), size, nullptr, nullptr);
    if (written == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        // A code page with longer sequences (UTF-8 as the ANSI code page): ask for the size.
        size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
        if (size <= 0)
            return Text();
        buffer.assign(static_cast<std::size_t>(size), '\0');
        written = WideCharToMultiByte(CP_ACP, 0, text, -1, buffer.data(), size, nullptr, nullptr);
    }
    if (written <= 0)
        return Text();
    return Text(buffer.data());
}

}  // namespace automation_detail

int automationLastError() {
    return lastError;
}

// --- AutomationObject ---

AutomationObject::~AutomationObject() {
    reset();
}

AutomationObject& AutomationObject::operator=(AutomationObject&& other) noexcept {
    if (this != &other)
        reset(std::exchange(other.object_, nullptr));
    return *this;
}

void AutomationObject::reset(IUnknown* object) {
    IUnknown* previous = std::exchange(object_, object);
    if (previous)
        previous->Release();
}

// --- AutomationValue ---

AutomationValue::AutomationValue() : block_(new VARIANT) {
    std::memset(block_.get(), 0, sizeof(VARIANT));
}

AutomationValue::~AutomationValue() {
    if (block_)
        VariantClear(block_.get());
}

AutomationValue::AutomationValue(AutomationValue&& other) : AutomationValue() {
    block_.swap(other.block_);
}

AutomationValue& AutomationValue::operator=(AutomationValue&& other) noexcept {
    block_.swap(other.block_);
    return *this;
}

// --- AutomationArgument ---

bool AutomationArgument::toVariant(VARIANT& out) const {
    VariantInit(&out);
    switch (kind_) {
        case Kind::omitted:
            return true;
        case Kind::logical:
            out.vt = VT_BOOL;
            out.boolVal = logical_ ? VARIANT_TRUE : VARIANT_FALSE;
            return true;
        case Kind::date:
            out.vt = VT_DATE;
            out.date = real_;
            return true;
        case Kind::text:
            out.bstrVal = automation_detail::widen(text_.c_str());
            if (!out.bstrVal)
                return false;
            out.vt = VT_BSTR;
            return true;
        case Kind::nullText:
            out.vt = VT_BSTR;
            out.bstrVal = nullptr;
            return true;
        case Kind::unsignedByte:
            out.vt = VT_UI1;
            out.bVal = static_cast<BYTE>(integer_);
            return true;
        case Kind::shortInteger:
            out.vt = VT_I2;
            out.iVal = static_cast<SHORT>(integer_);
            return true;
        case Kind::integer:
            out.vt = VT_I4;
            out.lVal = static_cast<LONG>(integer_);
            return true;
        case Kind::longInteger:
            // The bridge carries 32-bit integers only: the low half goes through.
            out.vt = VT_I4;
            out.lVal = static_cast<LONG>(static_cast<std::uint32_t>(integer_));
            return true;
        case Kind::single:
            out.vt = VT_R4;
            out.fltVal = static_cast<float>(real_);
            return true;
        case Kind::real:
            out.vt = VT_R8;
            out.dblVal = real_;
            return true;
        case Kind::value: {
            const auto* value = static_cast<const AutomationValue*>(source_);
            if (FAILED(VariantCopyInd(&out, source(value->variant())))) {
                VariantInit(&out);
                return false;
            }
            return true;
        }
        case Kind::object: {
            auto* object = static_cast<IUnknown*>(variable_);
            IDispatch* dispatch = nullptr;
            if (!object) {
                out.vt = VT_DISPATCH;  // Nothing
                out.pdispVal = nullptr;
            } else if (SUCCEEDED(object->QueryInterface(IID_IDispatch,
                                                        reinterpret_cast<void**>(&dispatch))) &&
                       dispatch) {
                out.vt = VT_DISPATCH;
                out.pdispVal = dispatch;
            } else {
                object->AddRef();
                out.vt = VT_UNKNOWN;
                out.punkVal = object;
            }
            return true;
        }
        case Kind::referenceValue:
            if (FAILED(
                    VariantCopyInd(&out, &static_cast<AutomationValue*>(variable_)->variant()))) {
                VariantInit(&out);
                return false;
            }
            return true;
        case Kind::referenceText:
            out.bstrVal = automation_detail::widen(static_cast<Text*>(variable_)->c_str());
            if (!out.bstrVal)
                return false;
            out.vt = VT_BSTR;
            return true;
        case Kind::referenceInteger:
            out.vt = VT_I4;
            out.lVal = *static_cast<int*>(variable_);
            return true;
        case Kind::referenceReal:
            out.vt = VT_R8;
            out.dblVal = *static_cast<double*>(variable_);
            return true;
        case Kind::referenceLogical:
            out.vt = VT_BOOL;
            out.boolVal = *static_cast<bool*>(variable_) ? VARIANT_TRUE : VARIANT_FALSE;
            return true;
    }
    return false;
}

bool AutomationArgument::copyBack(const VARIANT& from) const {
    VARIANT converted;
    VariantInit(&converted);
    HRESULT hr = E_FAIL;
    switch (kind_) {
        case Kind::referenceValue:
            hr = VariantCopyInd(&converted, source(from));
            if (SUCCEEDED(hr)) {
                VARIANT& target = static_cast<AutomationValue*>(variable_)->variant();
                VariantClear(&target);
                std::memcpy(&target, &converted, sizeof(VARIANT));
                return true;
            }
            break;
        case Kind::referenceText:
            hr = VariantChangeType(&converted, source(from), 0, VT_BSTR);
            if (SUCCEEDED(hr))
                *static_cast<Text*>(variable_) = automation_detail::narrow(converted.bstrVal);
            break;
        case Kind::referenceInteger:
            hr = VariantChangeType(&converted, source(from), 0, VT_I4);
            if (SUCCEEDED(hr))
                *static_cast<int*>(variable_) = converted.lVal;
            break;
        case Kind::referenceReal:
            hr = VariantChangeType(&converted, source(from), 0, VT_R8);
            if (SUCCEEDED(hr))
                *static_cast<double*>(variable_) = converted.dblVal;
            break;
        case Kind::referenceLogical:
            hr = VariantChangeType(&converted, source(from), 0, VT_BOOL);
            if (SUCCEEDED(hr))
                *static_cast<bool*>(variable_) = converted.boolVal != VARIANT_FALSE;
            break;
        default:
            return false;
    }
    VariantClear(&converted);
    return SUCCEEDED(hr);
}

// --- operations ---

bool createObject(AutomationObject& holder, const Text& classText, const Text& typeLibraryFile) {
    const bool isClassId = !classText.empty() && classText[0] == '{';
    IUnknown* object = nullptr;
    if (!isClassId && !typeLibraryFile.empty()) {
        object = createFromTypeLibrary(classText, typeLibraryFile);
    }
    if (!object) {
        ScopedBstr wide(automation_detail::widen(classText.c_str()));
        CLSID classId{};
        const HRESULT found = isClassId ? CLSIDFromString(wide.get(), &classId)
                                        : CLSIDFromProgID(wide.get(), &classId);
        if (FAILED(found))
            return false;
        const DWORD anywhere = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER |
                               CLSCTX_REMOTE_SERVER;
        HRESULT hr = CoCreateInstance(classId, nullptr, anywhere, IID_IUnknown,
                                      reinterpret_cast<void**>(&object));
        if (hr == E_INVALIDARG) {
            // Systems without remote activation reject the whole context set.
            hr = CoCreateInstance(classId, nullptr, anywhere & ~CLSCTX_REMOTE_SERVER, IID_IUnknown,
                                  reinterpret_cast<void**>(&object));
        }
        if (FAILED(hr) || !object)
            return false;
    }
    if (FAILED(OleRun(object))) {
        object->Release();
        return false;
    }
    holder.reset(object);
    return true;
}

void releaseObject(AutomationObject& holder) {
    holder.reset();
}

bool writeProperty(const AutomationObject& holder, const Text& name,
                   const AutomationArgument& value) {
    VARIANT unused;
    VariantInit(&unused);
    return finishCall(lateBoundCall(holder, name, CallKind::write, &value, 1, VT_EMPTY, unused)) ==
           automationOk;
}

AutomationValue readProperty(const AutomationObject& holder, const Text& name) {
    VARIANT result;
    std::memset(&result, 0, sizeof result);
    finishCall(lateBoundCall(holder, name, CallKind::read, nullptr, 0, VT_VARIANT, result));
    return valueFrom(result);
}

AutomationValue callMethodWith(const AutomationObject& holder, const Text& name,
                               const AutomationArgument* arguments, std::size_t count) {
    VARIANT result;
    std::memset(&result, 0, sizeof result);
    finishCall(lateBoundCall(holder, name, CallKind::method, arguments, count, VT_VARIANT, result));
    return valueFrom(result);
}

double callNumericMethodWith(const AutomationObject& holder, const Text& name,
                             const AutomationArgument* arguments, std::size_t count) {
    VARIANT result;
    std::memset(&result, 0, sizeof result);
    if (finishCall(lateBoundCall(holder, name, CallKind::method, arguments, count, VT_R8,
                                 result)) != automationOk) {
        return 0;
    }
    return result.dblVal;
}

Text toText(const AutomationValue& value) {
    const VARIANT& v = value.variant();
    if (v.vt == VT_BSTR)
        return automation_detail::narrow(v.bstrVal);
    VARIANT copy;
    VariantInit(&copy);
    Text text;
    if (SUCCEEDED(VariantCopyInd(&copy, source(v))) &&
        SUCCEEDED(VariantChangeType(&copy, &copy, 0, VT_BSTR)) && copy.vt == VT_BSTR) {
        text = automation_detail::narrow(copy.bstrVal);
    }
    VariantClear(&copy);
    return text;
}

void clearValue(AutomationValue& value) {
    VARIANT& v = value.variant();
    VariantClear(&v);
    std::memset(&v, 0, sizeof(VARIANT));
}
