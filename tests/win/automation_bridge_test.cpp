// The late-bound bridge against a recording object whose type information is built in memory,
// so that what reaches IDispatch::Invoke can be inspected exactly.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "recognition/automation_object.h"

namespace {

enum Member : MEMBERID {
    memberTwo = 1,     // Two(VARIANT a, VARIANT b)
    memberMany = 2,    // Many(BSTR name, SAFEARRAY(VARIANT) rest) with a variable list
    memberValue = 3,   // property Value (get and put, long)
    memberCount = 4,   // variable Count (long)
    memberChild = 5,   // variable Child (IDispatch)
    memberSwap = 6,    // Swap([in,out] VARIANT* a, [in,out] long* b)
    memberReadIn = 7,  // ReadIn([in] long* a)
};

void addFunction(ICreateTypeInfo* info, UINT index, MEMBERID id, INVOKEKIND kind,
                 std::vector<ELEMDESC> parameters, SHORT optional,
                 std::vector<const wchar_t*> names) {
    FUNCDESC f{};
    f.memid = id;
    f.funckind = FUNC_DISPATCH;
    f.invkind = kind;
    f.callconv = CC_STDCALL;
    f.cParams = static_cast<SHORT>(parameters.size());
    f.cParamsOpt = optional;
    f.lprgelemdescParam = parameters.empty() ? nullptr : parameters.data();
    f.elemdescFunc.tdesc.vt = kind == INVOKE_PROPERTYPUT ? VT_VOID : VT_VARIANT;
    ASSERT_EQ(S_OK, info->AddFuncDesc(index, &f));
    std::vector<LPOLESTR> nameList;
    for (const wchar_t* n : names) nameList.push_back(const_cast<LPOLESTR>(n));
    ASSERT_EQ(S_OK, info->SetFuncAndParamNames(index, nameList.data(),
                                               static_cast<UINT>(nameList.size())));
}

void addVariable(ICreateTypeInfo* info, UINT index, MEMBERID id, VARTYPE type,
                 const wchar_t* name) {
    VARDESC v{};
    v.memid = id;
    v.varkind = VAR_DISPATCH;
    v.elemdescVar.tdesc.vt = type;
    ASSERT_EQ(S_OK, info->AddVarDesc(index, &v));
    ASSERT_EQ(S_OK, info->SetVarName(index, const_cast<LPOLESTR>(name)));
}

ELEMDESC parameter(VARTYPE type, USHORT flags = PARAMFLAG_FIN) {
    ELEMDESC e{};
    e.tdesc.vt = type;
    e.paramdesc.wParamFlags = flags;
    return e;
}

ELEMDESC pointerParameter(TYPEDESC* to, USHORT flags) {
    ELEMDESC e{};
    e.tdesc.vt = VT_PTR;
    e.tdesc.lptdesc = to;
    e.paramdesc.wParamFlags = flags;
    return e;
}

// A dispinterface with the members above, laid out in an in-memory type library.
ITypeInfo* buildTypeInfo() {
#ifdef _WIN64
    const SYSKIND kind = SYS_WIN64;
#else
    const SYSKIND kind = SYS_WIN32;
#endif
    ICreateTypeLib2* library = nullptr;
    EXPECT_EQ(S_OK, CreateTypeLib2(kind, const_cast<LPOLESTR>(L"recorder.tlb"), &library));
    if (!library)
        return nullptr;
    ICreateTypeInfo* info = nullptr;
    EXPECT_EQ(S_OK,
              library->CreateTypeInfo(const_cast<LPOLESTR>(L"Recorder"), TKIND_DISPATCH, &info));
    ITypeInfo* result = nullptr;
    if (info) {
        TYPEDESC variantType{};
        variantType.vt = VT_VARIANT;
        TYPEDESC longType{};
        longType.vt = VT_I4;
        const USHORT inOut = PARAMFLAG_FIN | PARAMFLAG_FOUT;

        addFunction(info, 0, memberTwo, INVOKE_FUNC, {parameter(VT_VARIANT), parameter(VT_VARIANT)},
                    0, {L"Two", L"a", L"b"});
        ELEMDESC rest = parameter(VT_SAFEARRAY);
        rest.tdesc.lptdesc = &variantType;
        addFunction(info, 1, memberMany, INVOKE_FUNC, {parameter(VT_BSTR), rest}, -1,
                    {L"Many", L"name", L"rest"});
        addFunction(info, 2, memberValue, INVOKE_PROPERTYGET, {}, 0, {L"Value"});
        addFunction(info, 3, memberValue, INVOKE_PROPERTYPUT, {parameter(VT_I4)}, 0, {L"Value"});
        addFunction(info, 4, memberSwap, INVOKE_FUNC,
                    {pointerParameter(&variantType, inOut), pointerParameter(&longType, inOut)}, 0,
                    {L"Swap", L"a", L"b"});
        addFunction(info, 5, memberReadIn, INVOKE_FUNC,
                    {pointerParameter(&longType, PARAMFLAG_FIN)}, 0, {L"ReadIn", L"a"});
        addVariable(info, 0, memberCount, VT_I4, L"Count");
        addVariable(info, 1, memberChild, VT_DISPATCH, L"Child");
        EXPECT_EQ(S_OK, info->LayOut());
        EXPECT_EQ(S_OK, info->QueryInterface(IID_ITypeInfo, reinterpret_cast<void**>(&result)));
        info->Release();
    }
    library->Release();
    return result;
}

// COM interfaces are released through Release, never deleted through a base pointer.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// An object that records every Invoke and answers with a preset status and result.
class Recorder : public IDispatch {
  public:
    explicit Recorder(ITypeInfo* typeInfo) : typeInfo_(typeInfo) { VariantInit(&nextResult); }
    ~Recorder() {
        VariantClear(&nextResult);
        for (VARIANT& v : values) VariantClear(&v);
    }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    bool offerDispatch = true;
    bool offerTypeInfo = true;
    HRESULT nextStatus = S_OK;
    VARIANT nextResult;

    int invokeCount = 0;
    DISPID member = 0;
    WORD flags = 0;
    std::vector<VARTYPE> types;   // as received, Invoke order (last argument first)
    std::vector<VARIANT> values;  // dereferenced copies, same order
    std::vector<bool> nullTexts;  // which arguments were null BSTRs, same order
    std::vector<DISPID> named;
    LONG references = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || (offerDispatch && IsEqualIID(iid, IID_IDispatch))) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = offerTypeInfo ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
        *out = nullptr;
        if (!offerTypeInfo || !typeInfo_)
            return E_NOTIMPL;
        typeInfo_->AddRef();
        *out = typeInfo_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        ADD_FAILURE() << "names are bound through the type information only";
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD invokeFlags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        ++invokeCount;
        member = id;
        flags = invokeFlags;
        for (VARIANT& v : values) VariantClear(&v);
        values.clear();
        types.clear();
        nullTexts.clear();
        named.assign(parameters->rgdispidNamedArgs,
                     parameters->rgdispidNamedArgs + parameters->cNamedArgs);
        for (UINT i = 0; i < parameters->cArgs; ++i) {
            VARIANT& in = parameters->rgvarg[i];
            types.push_back(in.vt);
            nullTexts.push_back(in.vt == VT_BSTR && in.bstrVal == nullptr);
            VARIANT copy;
            VariantInit(&copy);
            VariantCopyInd(&copy, &in);
            values.push_back(copy);
        }
        if (id == memberSwap && parameters->cArgs == 2) {
            // Swap(a, b): a becomes the text "out", b becomes 99.
            VARIANT& a = parameters->rgvarg[1];
            VARIANT& b = parameters->rgvarg[0];
            if (a.vt == (VT_BYREF | VT_VARIANT)) {
                VariantClear(a.pvarVal);
                a.pvarVal->vt = VT_BSTR;
                a.pvarVal->bstrVal = SysAllocString(L"out");
            }
            if (b.vt == (VT_BYREF | VT_I4))
                *b.plVal = 99;
        }
        if (id == memberReadIn && parameters->cArgs == 1) {
            VARIANT& a = parameters->rgvarg[0];
            if (a.vt == (VT_BYREF | VT_I4))
                *a.plVal = 55;  // not an out-parameter
        }
        if (FAILED(nextStatus))
            return nextStatus;
        if (result && nextResult.vt == VT_RECORD) {
            *result = nextResult;  // a record without data; VariantCopy would refuse it
        } else if (result) {
            VariantCopy(result, &nextResult);
        }
        return S_OK;
    }

  private:
    ITypeInfo* typeInfo_;
};

#pragma GCC diagnostic pop

class AutomationBridge : public ::testing::Test {
  protected:
    void SetUp() override {
        holder.reset(&recorder);
        recorder.AddRef();  // the holder's reference; the recorder keeps its own
    }
    void TearDown() override {
        releaseObject(holder);
        EXPECT_EQ(1, recorder.references) << "every reference taken was given back";
    }
    static void SetUpTestSuite() { typeInfo = buildTypeInfo(); }
    static void TearDownTestSuite() {
        if (typeInfo)
            typeInfo->Release();
        typeInfo = nullptr;
    }

    static ITypeInfo* typeInfo;
    Recorder recorder{typeInfo};
    AutomationObject holder;
};

ITypeInfo* AutomationBridge::typeInfo = nullptr;

TEST_F(AutomationBridge, ArgumentsArriveInReverseOrderWithTheirConvertedTypes) {
    ASSERT_NE(nullptr, typeInfo);
    AutomationValue copied;
    copied.variant().vt = VT_I2;
    copied.variant().iVal = 12;
    callMethod(holder, "Many", "\xD6\xD0", true, AutomationDate{2.5}, std::uint8_t{200}, short{-3},
               70000, 1.5f, 2.25, copied, static_cast<const char*>(nullptr));
    ASSERT_EQ(automationOk, automationLastError());
    EXPECT_EQ(memberMany, recorder.member);
    EXPECT_EQ(DISPATCH_METHOD, recorder.flags);
    EXPECT_TRUE(recorder.named.empty());
    const std::vector<VARTYPE> expected = {VT_BSTR, VT_I2,  VT_R8,   VT_R4,   VT_I4,
                                           VT_I2,   VT_UI1, VT_DATE, VT_BOOL, VT_BSTR};
    ASSERT_EQ(expected, recorder.types);
    const std::vector<VARIANT>& v = recorder.values;
    EXPECT_TRUE(recorder.nullTexts[0]);  // a null text stays a null BSTR
    EXPECT_EQ(12, v[1].iVal);
    EXPECT_EQ(2.25, v[2].dblVal);
    EXPECT_EQ(1.5f, v[3].fltVal);
    EXPECT_EQ(70000, v[4].lVal);
    EXPECT_EQ(-3, v[5].iVal);
    EXPECT_EQ(200, v[6].bVal);
    EXPECT_EQ(2.5, v[7].date);
    EXPECT_EQ(VARIANT_TRUE, v[8].boolVal);
    ASSERT_NE(nullptr, v[9].bstrVal);
    EXPECT_STREQ(L"\u4e2d", v[9].bstrVal);  // widened from the ANSI code page
    // The caller's value was copied, not taken.
    EXPECT_EQ(VT_I2, copied.type());
}

TEST_F(AutomationBridge, SixtyFourBitIntegerKeepsOnlyItsLowHalf) {
    callMethod(holder, "Two", 0x100000007LL, 0x180000000LL);
    ASSERT_EQ(automationOk, automationLastError());
    ASSERT_EQ(2u, recorder.values.size());
    EXPECT_EQ(VT_I4, recorder.types[1]);
    EXPECT_EQ(7, recorder.values[1].lVal);
    EXPECT_EQ(VT_I4, recorder.types[0]);
    EXPECT_EQ(static_cast<LONG>(0x80000000u), recorder.values[0].lVal);

    // The same through a variable list, where the extra values take the list's type.
    callMethod(holder, "Many", "x", 1, 0x100000009LL);
    ASSERT_EQ(automationOk, automationLastError());
    ASSERT_EQ(3u, recorder.values.size());
    EXPECT_EQ(VT_I4, recorder.types[0]);
    EXPECT_EQ(9, recorder.values[0].lVal);
}

TEST_F(AutomationBridge, ArgumentCountAgainstDeclaredParameters) {
    // Fewer than declared: only the given one is passed.
    callMethod(holder, "Two", 5);
    EXPECT_EQ(automationOk, automationLastError());
    ASSERT_EQ(1u, recorder.types.size());
    EXPECT_EQ(5, recorder.values[0].lVal);

    // Trailing omitted values are dropped before counting.
    callMethod(holder, "Two", 1, 2, AutomationArgument::omitted());
    EXPECT_EQ(automationOk, automationLastError());
    EXPECT_EQ(2u, recorder.types.size());

    // More than declared without a variable list: refused before the object is called.
    const int calls = recorder.invokeCount;
    AutomationValue value = callMethod(holder, "Two", 1, 2, 3);
    EXPECT_EQ(automationTooManyArguments, automationLastError());
    EXPECT_EQ(calls, recorder.invokeCount);
    EXPECT_TRUE(value.empty());

    // A property write whose value is omitted passes no value and no named argument.
    EXPECT_TRUE(writeProperty(holder, "Count", AutomationArgument::omitted()));
    EXPECT_TRUE(recorder.types.empty());
    EXPECT_TRUE(recorder.named.empty());

    // A variable list takes any number beyond its last parameter.
    callMethod(holder, "Many", "x", 1, 2, 3);
    EXPECT_EQ(automationOk, automationLastError());
    EXPECT_EQ(4u, recorder.types.size());
}

TEST_F(AutomationBridge, OmittedAndEmptyArgumentsAskForTheDefault) {
    AutomationValue empty;
    callMethod(holder, "Two", AutomationArgument::omitted(), empty);
    ASSERT_EQ(automationOk, automationLastError());
    ASSERT_EQ(2u, recorder.types.size());
    for (const VARIANT& v : recorder.values) {
        EXPECT_EQ(VT_ERROR, v.vt);
        EXPECT_EQ(DISP_E_PARAMNOTFOUND, v.scode);
    }
}

TEST_F(AutomationBridge, PropertiesAndVariablesUseTheRightInvokeKinds) {
    EXPECT_TRUE(writeProperty(holder, "Value", 7));
    EXPECT_EQ(memberValue, recorder.member);
    EXPECT_EQ(DISPATCH_PROPERTYPUT, recorder.flags);
    ASSERT_EQ(1u, recorder.named.size());
    EXPECT_EQ(DISPID_PROPERTYPUT, recorder.named[0]);

    recorder.nextResult.vt = VT_I4;
    recorder.nextResult.lVal = 41;
    AutomationValue read = readProperty(holder, "Value");
    EXPECT_EQ(DISPATCH_PROPERTYGET, recorder.flags);
    EXPECT_TRUE(recorder.named.empty());
    EXPECT_EQ("41", toText(read));

    // A method call on a property name falls back to the property get.
    EXPECT_EQ(41.0, callNumericMethod(holder, "Value"));
    EXPECT_EQ(DISPATCH_PROPERTYGET, recorder.flags);

    // Variables: a plain value is put, an object is put by reference.
    EXPECT_TRUE(writeProperty(holder, "Count", 3));
    EXPECT_EQ(memberCount, recorder.member);
    EXPECT_EQ(DISPATCH_PROPERTYPUT, recorder.flags);
    EXPECT_EQ(1u, recorder.named.size());
    EXPECT_TRUE(writeProperty(holder, "Child", holder));
    EXPECT_EQ(memberChild, recorder.member);
    EXPECT_EQ(DISPATCH_PROPERTYPUTREF, recorder.flags);
    ASSERT_EQ(1u, recorder.types.size());
    EXPECT_EQ(VT_DISPATCH, recorder.types[0]);
    for (VARIANT& v : recorder.values) VariantClear(&v);  // drop the recorded reference
    recorder.values.clear();

    // A method name written as a property is called as the method.
    EXPECT_TRUE(writeProperty(holder, "Two", 1));
    EXPECT_EQ(DISPATCH_METHOD, recorder.flags);
    EXPECT_TRUE(recorder.named.empty());
}

TEST_F(AutomationBridge, ByReferenceParametersAndCopyBack) {
    AutomationValue a;
    a.variant().vt = VT_I4;
    a.variant().lVal = 1;
    int b = 2;
    callMethod(holder, "Swap", AutomationArgument::reference(a), AutomationArgument::reference(b));
    ASSERT_EQ(automationOk, automationLastError());
    ASSERT_EQ(2u, recorder.types.size());
    EXPECT_EQ(VT_BYREF | VT_VARIANT, recorder.types[1]);
    EXPECT_EQ(VT_BYREF | VT_I4, recorder.types[0]);
    EXPECT_EQ(1, recorder.values[1].lVal);
    EXPECT_EQ(2, recorder.values[0].lVal);
    EXPECT_EQ("out", toText(a));
    EXPECT_EQ(99, b);

    // A value the declared type cannot take goes by value; a non-reference caller value is
    // never written back.
    Text t = "abc";
    callMethod(holder, "Swap", 1, AutomationArgument::reference(t));
    EXPECT_EQ(VT_BSTR, recorder.types[0]);
    EXPECT_EQ(VT_BYREF | VT_VARIANT, recorder.types[1]);
    EXPECT_EQ("abc", t);

    // A by-reference text the declared type can take is converted and copied back.
    t = "12";
    callMethod(holder, "Swap", 1, AutomationArgument::reference(t));
    EXPECT_EQ(VT_BYREF | VT_I4, recorder.types[0]);
    EXPECT_EQ("99", t);

    // Only out-parameters are copied back.
    int c = 3;
    callMethod(holder, "ReadIn", AutomationArgument::reference(c));
    EXPECT_EQ(VT_BYREF | VT_I4, recorder.types[0]);
    EXPECT_EQ(3, c);
}

TEST_F(AutomationBridge, ResultConversion) {
    recorder.nextResult.vt = VT_BSTR;
    recorder.nextResult.bstrVal = SysAllocString(L"2.5");
    AutomationValue generic = callMethod(holder, "Two");
    EXPECT_EQ(VT_BSTR, generic.type());
    EXPECT_EQ("2.5", toText(generic));
    EXPECT_EQ(2.5, callNumericMethod(holder, "Two"));
    EXPECT_EQ(automationOk, automationLastError());

    VariantClear(&recorder.nextResult);
    recorder.nextResult.vt = VT_BSTR;
    recorder.nextResult.bstrVal = SysAllocString(L"not a number");
    EXPECT_EQ(0.0, callNumericMethod(holder, "Two"));
    EXPECT_EQ(automationBadResult, automationLastError());

    VariantClear(&recorder.nextResult);
    recorder.nextResult.vt = VT_RECORD;  // no record data: converts to nothing
    AutomationValue record = callMethod(holder, "Two");
    EXPECT_EQ(automationBadResult, automationLastError());
    EXPECT_TRUE(record.empty());
    recorder.nextResult.vt = VT_EMPTY;
}

TEST_F(AutomationBridge, InvokeFailuresMapToTheirCodes) {
    const struct {
        HRESULT status;
        int code;
    } cases[] = {
        {DISP_E_BADPARAMCOUNT, automationBadParamCount},
        {DISP_E_BADVARTYPE, automationBadVarType},
        {DISP_E_EXCEPTION, automationException},
        {DISP_E_MEMBERNOTFOUND, automationMemberNotFound},
        {DISP_E_NONAMEDARGS, automationNoNamedArgs},
        {DISP_E_OVERFLOW, automationOverflow},
        {DISP_E_PARAMNOTFOUND, automationParamNotFound},
        {DISP_E_TYPEMISMATCH, automationTypeMismatch},
        {DISP_E_PARAMNOTOPTIONAL, automationParamNotOptional},
        {E_FAIL, automationInvokeFailed},
    };
    recorder.nextResult.vt = VT_I4;
    recorder.nextResult.lVal = 5;
    for (const auto& c : cases) {
        recorder.nextStatus = c.status;
        AutomationValue value = callMethod(holder, "Two");
        EXPECT_EQ(c.code, automationLastError()) << std::hex << c.status;
        EXPECT_TRUE(value.empty());
        EXPECT_EQ(0.0, callNumericMethod(holder, "Two"));
        EXPECT_FALSE(writeProperty(holder, "Value", 1));
    }
    recorder.nextStatus = S_OK;
    EXPECT_EQ(5.0, callNumericMethod(holder, "Two"));
    EXPECT_EQ(automationOk, automationLastError());
}

TEST_F(AutomationBridge, ObjectsThatCannotBeCalled) {
    EXPECT_FALSE(writeProperty(holder, "NoSuchMember", 1));
    EXPECT_EQ(automationUnknownMember, automationLastError());

    recorder.offerTypeInfo = false;
    EXPECT_TRUE(callMethod(holder, "Two").empty());
    EXPECT_EQ(automationNoTypeInfo, automationLastError());

    recorder.offerDispatch = false;
    EXPECT_TRUE(callMethod(holder, "Two").empty());
    EXPECT_EQ(automationNoDispatch, automationLastError());
    EXPECT_EQ(0, recorder.invokeCount);
}

TEST_F(AutomationBridge, ValueThatCannotBeCopiedIsRefusedBeforeTheCall) {
    AutomationValue broken;
    broken.variant().vt = 0x0FFF;  // no such type
    callMethod(holder, "Two", broken);
    EXPECT_EQ(automationBadArgumentType, automationLastError());
    EXPECT_EQ(0, recorder.invokeCount);
    std::memset(&broken.variant(), 0, sizeof(VARIANT));
}

TEST(AutomationValues, EmptyHolderFailsEveryCall) {
    AutomationObject empty;
    AutomationValue value = callMethod(empty, "Eval", "1");
    EXPECT_EQ(automationNoObject, automationLastError());
    EXPECT_TRUE(value.empty());
    EXPECT_EQ("", toText(value));
    EXPECT_FALSE(writeProperty(empty, "Language", "JavaScript"));
    EXPECT_EQ(0.0, callNumericMethod(empty, "AddCode", "x"));
    EXPECT_EQ(automationNoObject, automationLastError());
    releaseObject(empty);
    EXPECT_TRUE(empty.empty());
}

TEST(AutomationValues, ToTextAndClear) {
    AutomationValue v;
    EXPECT_EQ("", toText(v));
    v.variant().vt = VT_I4;
    v.variant().lVal = -42;
    EXPECT_EQ("-42", toText(v));
    v.variant().vt = VT_NULL;
    EXPECT_EQ("", toText(v));
    v.variant().vt = VT_BSTR;
    v.variant().bstrVal = nullptr;
    EXPECT_EQ("", toText(v));
    v.variant().bstrVal = SysAllocString(L"\u4e2d\u6587");
    EXPECT_EQ("\xD6\xD0\xCE\xC4", toText(v));
    clearValue(v);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&v.variant());
    for (std::size_t i = 0; i < sizeof(VARIANT); ++i) EXPECT_EQ(0, bytes[i]) << i;
}

TEST(AutomationValues, TextCrossesInTheAnsiCodePage) {
    ASSERT_EQ(936u, GetACP()) << "the tests expect the Chinese ANSI code page";
    BSTR wide = automation_detail::widen("a\xD6\xD0");
    EXPECT_STREQ(L"a\u4e2d", wide);
    SysFreeString(wide);
    EXPECT_EQ(nullptr, automation_detail::widen(nullptr));
    EXPECT_EQ("a\xD6\xD0", automation_detail::narrow(L"a\u4e2d"));
    // A character the code page lacks becomes its default character.
    EXPECT_EQ("?", automation_detail::narrow(L"\u0e01"));
    EXPECT_EQ("", automation_detail::narrow(nullptr));
}

}  // namespace
