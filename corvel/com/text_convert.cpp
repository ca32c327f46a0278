#include "corvel/com/text_convert.h"

#include <new>

#include "corvel/core/codepage.h"

namespace corvel {

std::string bytesFromBstr(int codePage, com::BSTR text)
{
    if (!text)
        return {};
    return encodeText(codePage, std::u16string_view(text, com::SysStringLen(text)));
}

com::BSTR bstrFromBytes(int codePage, std::string_view bytes)
{
    const std::u16string text = decodeText(codePage, bytes);
    com::BSTR b = com::SysAllocStringLen(text.data(), static_cast<uint32_t>(text.size()));
    if (!b)
        throw std::bad_alloc();
    return b;
}

} // namespace corvel
