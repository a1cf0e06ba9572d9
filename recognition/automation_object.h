#pragma once
// Late-bound bridge to COM automation objects. The panel uses it for one thing: the Script
// Control's JavaScript engine unescapes the \uXXXX pieces of a recognition reply. The bridge
// itself is general: any ProgID, any member found in the object's type information.
//
// Failures never throw and never show anything: results come back empty (false, 0, an empty
// value) and the outcome code of the latest call is kept per thread (automationLastError).
// Texts cross in the ANSI code page.

#include <windows.h>

#include <oaidl.h>

#include <cstdint>
#include <memory>
#include <utility>

#include "text/text_operations.h"

// Outcome codes of a late-bound call, as kept in the per-thread last error.
enum AutomationError : int {
    automationOk = 0,
    automationNoObject = -1,
    automationNoDispatch = -2,
    automationUnknownMember = -3,
    automationNoTypeInfo = -4,
    automationTooManyArguments = -5,
    automationBadArgumentType = -7,
    automationBadResult = -8,
    automationBadParamCount = -9,
    automationBadVarType = -10,
    automationException = -11,
    automationMemberNotFound = -12,
    automationNoNamedArgs = -13,
    automationOverflow = -14,
    automationParamNotFound = -15,
    automationTypeMismatch = -16,
    automationParamNotOptional = -17,
    automationInvokeFailed = -18,
};

// The code stored by the latest late-bound call made on this thread.
int automationLastError();

// Holds one COM object (its IUnknown) and one reference on it. Released by releaseObject, or
// at the latest when the holder is destroyed (which must then happen before OleUninitialize).
class AutomationObject {
  public:
    AutomationObject() = default;
    ~AutomationObject();
    AutomationObject(const AutomationObject&) = delete;
    AutomationObject& operator=(const AutomationObject&) = delete;
    AutomationObject(AutomationObject&& other) noexcept
        : object_(std::exchange(other.object_, nullptr)) {}
    AutomationObject& operator=(AutomationObject&& other) noexcept;

    bool empty() const { return object_ == nullptr; }
    IUnknown* get() const { return object_; }
    // Takes over one reference; the previous object is released.
    void reset(IUnknown* object = nullptr);

  private:
    IUnknown* object_ = nullptr;
};

// One VARIANT in a heap block owned by this holder; all zero (VT_EMPTY) when empty.
class AutomationValue {
  public:
    AutomationValue();
    ~AutomationValue();
    AutomationValue(const AutomationValue&) = delete;
    AutomationValue& operator=(const AutomationValue&) = delete;
    AutomationValue(AutomationValue&& other);  // the source is left empty, with a new block
    AutomationValue& operator=(AutomationValue&& other) noexcept;

    const VARIANT& variant() const { return *block_; }
    VARIANT& variant() { return *block_; }
    VARTYPE type() const { return block_->vt; }
    bool empty() const { return block_->vt == VT_EMPTY; }

  private:
    std::unique_ptr<VARIANT> block_;
};

// A date-time argument (an OLE date: days since 30 December 1899).
struct AutomationDate {
    double value = 0;
};

// One argument of a late-bound call, built implicitly from the C++ value:
//   bool -> VT_BOOL, AutomationDate -> VT_DATE, text -> VT_BSTR, std::uint8_t -> VT_UI1,
//   short -> VT_I2, int/long -> VT_I4, std::int64_t -> VT_I4 (low 32 bits only), float -> VT_R4,
//   double -> VT_R8, AutomationValue -> a copy of its VARIANT, AutomationObject -> its interface.
// The referenced values (AutomationValue, AutomationObject, by-reference variables) must outlive
// the call.
class AutomationArgument {
  public:
    enum class Kind {
        omitted,
        logical,
        date,
        text,
        nullText,
        unsignedByte,
        shortInteger,
        integer,
        longInteger,
        single,
        real,
        value,
        object,
        referenceValue,
        referenceText,
        referenceInteger,
        referenceReal,
        referenceLogical
    };

    AutomationArgument(bool v) : kind_(Kind::logical), logical_(v) {}
    AutomationArgument(AutomationDate v) : kind_(Kind::date), real_(v.value) {}
    AutomationArgument(const char* v) : kind_(v ? Kind::text : Kind::nullText), text_(v ? v : "") {}
    AutomationArgument(const Text& v) : kind_(Kind::text), text_(v) {}
    // Any other pointer (a wide string, an interface) would silently become a logical.
    template <class T>
    AutomationArgument(const T*) = delete;
    AutomationArgument(std::uint8_t v) : kind_(Kind::unsignedByte), integer_(v) {}
    AutomationArgument(short v) : kind_(Kind::shortInteger), integer_(v) {}
    AutomationArgument(int v) : kind_(Kind::integer), integer_(v) {}
    AutomationArgument(long v) : kind_(Kind::integer), integer_(static_cast<std::int64_t>(v)) {}
    AutomationArgument(long long v) : kind_(Kind::longInteger), integer_(v) {}
    AutomationArgument(float v) : kind_(Kind::single), real_(v) {}
    AutomationArgument(double v) : kind_(Kind::real), real_(v) {}
    AutomationArgument(const AutomationValue& v) : kind_(Kind::value), source_(&v) {}
    AutomationArgument(const AutomationObject& v) : kind_(Kind::object), variable_(v.get()) {}

    // No value: the object uses the parameter's default.
    static AutomationArgument omitted() { return AutomationArgument(Kind::omitted, nullptr); }
    // A control's or any other interface pointer (a new reference is taken for the call).
    static AutomationArgument interfacePointer(IUnknown* p) {
        return AutomationArgument(Kind::object, p);
    }
    // Variables passed by reference: an out-parameter's value is copied back after the call.
    static AutomationArgument reference(AutomationValue& v) {
        return AutomationArgument(Kind::referenceValue, &v);
    }
    static AutomationArgument reference(Text& v) {
        return AutomationArgument(Kind::referenceText, &v);
    }
    static AutomationArgument reference(int& v) {
        return AutomationArgument(Kind::referenceInteger, &v);
    }
    static AutomationArgument reference(double& v) {
        return AutomationArgument(Kind::referenceReal, &v);
    }
    static AutomationArgument reference(bool& v) {
        return AutomationArgument(Kind::referenceLogical, &v);
    }

    Kind kind() const { return kind_; }
    bool isOmitted() const { return kind_ == Kind::omitted; }
    bool isReference() const { return kind_ >= Kind::referenceValue; }

    // Fills a VT_EMPTY VARIANT with this argument's value (for a by-reference variable, its
    // current value). Returns false when the value cannot be passed.
    bool toVariant(VARIANT& out) const;
    // Stores a by-reference variable's new value after the call; false when it cannot be
    // converted back (the variable then keeps its old value).
    bool copyBack(const VARIANT& from) const;

  private:
    AutomationArgument(Kind kind, void* variable) : kind_(kind), variable_(variable) {}

    Kind kind_;
    bool logical_ = false;
    std::int64_t integer_ = 0;
    double real_ = 0;
    Text text_;
    const void* source_ = nullptr;  // AutomationValue passed by value
    void* variable_ = nullptr;      // interface pointer, or the variable passed by reference
};

// Creates the object named by a ProgID or by a CLSID in braces into the holder. When a
// type-library file is given (and the class text is not a CLSID), the class is first looked up
// by name in that library. True when created; on failure the holder keeps what it held.
bool createObject(AutomationObject& holder, const Text& classText,
                  const Text& typeLibraryFile = Text());

// Releases the held object; an empty holder stays empty.
void releaseObject(AutomationObject& holder);

// Writes one property; true exactly when the last error is 0.
bool writeProperty(const AutomationObject& holder, const Text& name,
                   const AutomationArgument& value);

// Reads one property as a generic value (empty on failure).
AutomationValue readProperty(const AutomationObject& holder, const Text& name);

// Calls a method and returns its result as a generic value (empty on failure).
AutomationValue callMethodWith(const AutomationObject& holder, const Text& name,
                               const AutomationArgument* arguments, std::size_t count);
template <class... Arguments>
AutomationValue callMethod(const AutomationObject& holder, const Text& name,
                           const Arguments&... arguments) {
    const AutomationArgument list[] = {AutomationArgument(arguments)..., AutomationArgument(false)};
    return callMethodWith(holder, name, list, sizeof...(arguments));
}

// Calls a method and returns its result as a double (0 on failure).
double callNumericMethodWith(const AutomationObject& holder, const Text& name,
                             const AutomationArgument* arguments, std::size_t count);
template <class... Arguments>
double callNumericMethod(const AutomationObject& holder, const Text& name,
                         const Arguments&... arguments) {
    const AutomationArgument list[] = {AutomationArgument(arguments)..., AutomationArgument(false)};
    return callNumericMethodWith(holder, name, list, sizeof...(arguments));
}

// The value as ANSI text; empty when it cannot be converted (VT_NULL, an object, ...).
Text toText(const AutomationValue& value);

// VariantClear, then every byte of the VARIANT zeroed.
void clearValue(AutomationValue& value);

// Building blocks, exposed for tests and for other Windows code.
namespace automation_detail {
// ANSI text to a new BSTR (CP_ACP); the caller frees it.
BSTR widen(const char* text);
// BSTR to ANSI text (CP_ACP), up to its first zero character; a null BSTR gives empty text.
Text narrow(const wchar_t* text);
}  // namespace automation_detail
