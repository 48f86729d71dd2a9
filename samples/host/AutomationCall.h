// Calling automation members by name or DISPID from text, and printing the values that come back.
#pragma once

#include "platform/Com.h"

#include <oaidl.h>

#include <string>
#include <vector>

namespace samplehost {

struct MemberCall {
    std::wstring name;
    std::vector<platform::Variant> args;  // in the order written
};

// Parses "Name" or "Name=arg,arg,...". Arguments are separated by commas outside double quotes;
// see ArgumentValue for their types. Throws platform::ComError(E_INVALIDARG) for an empty name.
MemberCall ParseMemberCall(const std::wstring& text);

// "12" and "-3" become VT_I4, "2.5" VT_R8, "true"/"false" VT_BOOL, "\"a,b\"" the string a,b, and
// anything else the string as written.
platform::Variant ArgumentValue(const std::wstring& text);

// Looks the name up with GetIDsOfNames and invokes it as a method or property get; when that is
// refused and arguments are given, puts them as a property (the last argument being the value).
// Failures are thrown as platform::ComError with the callee's exception text.
platform::Variant CallByName(IDispatch* target, const MemberCall& call);

// Invokes one DISPID as a method with the arguments in the order written.
platform::Variant InvokeMethod(IDispatch* target, DISPID id, const std::vector<platform::Variant>& args);

// A value as the host prints it: "42", "\"text\"", "true", "(object)", "(nothing)".
std::wstring DescribeValue(const VARIANT& v);

}  // namespace samplehost
