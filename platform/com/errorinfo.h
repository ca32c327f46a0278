#pragma once
// Per-thread error information: the last failing call's description, source,
// interface and help context, taken by the caller with GetErrorInfo.
#include "platform/com/unknown.h"

#include <string_view>

namespace com {

// Stores `info` (AddRef'd) in this thread's slot, replacing and releasing the previous one;
// nullptr clears the slot.
HRESULT SetErrorInfo(uint32_t reserved, IErrorInfo* info);
// Hands over the slot's object (the caller releases it) and clears the slot; S_FALSE and
// *info = nullptr when there is none.
HRESULT GetErrorInfo(uint32_t reserved, IErrorInfo** info);
// Builds an IErrorInfo from the fields and stores it.
HRESULT SetErrorInfoFields(const GUID& iid, std::u16string_view source, std::u16string_view description,
                           std::u16string_view helpFile, uint32_t helpContext);
// A new error-information object (reference count 1) with these fields.
IErrorInfo* CreateErrorInfoObject(const GUID& iid, std::u16string_view source, std::u16string_view description,
                                  std::u16string_view helpFile, uint32_t helpContext);

} // namespace com

using namespace com;
