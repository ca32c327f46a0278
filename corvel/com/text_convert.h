#pragma once
// Automation strings <-> the control's byte strings, through its code page.
#include <string>
#include <string_view>

#include "platform/com/bstr.h"

namespace corvel {

// The BSTR's characters in the code page, without a terminating zero.
std::string bytesFromBstr(int codePage, com::BSTR text);

// A new BSTR of exactly these bytes decoded with the code page (embedded
// zero bytes survive). Throws std::bad_alloc when no memory is left.
com::BSTR bstrFromBytes(int codePage, std::string_view bytes);

} // namespace corvel
