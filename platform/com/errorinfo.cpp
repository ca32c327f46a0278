#include "platform/com/errorinfo.h"

#include <atomic>

namespace com {

namespace {

class ErrorInfoObject final : public IErrorInfo {
public:
    ErrorInfoObject(const GUID& iid, std::u16string_view source, std::u16string_view description,
                    std::u16string_view helpFile, uint32_t helpContext)
        : iid_(iid), source_(source), description_(description), helpFile_(helpFile), helpContext_(helpContext)
    {
    }

    HRESULT QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IErrorInfo) {
            *object = static_cast<IErrorInfo*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs_; }
    uint32_t Release() override
    {
        const uint32_t n = --refs_;
        if (n == 0)
            delete this;
        return n;
    }
    HRESULT GetGUID(GUID* guid) override
    {
        if (!guid)
            return E_POINTER;
        *guid = iid_;
        return S_OK;
    }
    HRESULT GetSource(BSTR* s) override { return give(source_, s); }
    HRESULT GetDescription(BSTR* s) override { return give(description_, s); }
    HRESULT GetHelpFile(BSTR* s) override { return give(helpFile_, s); }
    HRESULT GetHelpContext(uint32_t* c) override
    {
        if (!c)
            return E_POINTER;
        *c = helpContext_;
        return S_OK;
    }

private:
    ~ErrorInfoObject() = default;
    static HRESULT give(const std::u16string& text, BSTR* out)
    {
        if (!out)
            return E_POINTER;
        *out = BstrFromU16(text);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    std::atomic<uint32_t> refs_{1};
    GUID iid_;
    std::u16string source_, description_, helpFile_;
    uint32_t helpContext_;
};

// One slot per thread. The holder releases what is left when the thread ends.
struct Slot {
    IErrorInfo* info = nullptr;
    ~Slot()
    {
        if (info)
            info->Release();
    }
};
thread_local Slot t_slot;

} // namespace

IErrorInfo* CreateErrorInfoObject(const GUID& iid, std::u16string_view source, std::u16string_view description,
                                  std::u16string_view helpFile, uint32_t helpContext)
{
    return new (std::nothrow) ErrorInfoObject(iid, source, description, helpFile, helpContext);
}

HRESULT SetErrorInfo(uint32_t, IErrorInfo* info)
{
    if (info)
        info->AddRef();
    IErrorInfo* old = t_slot.info;
    t_slot.info = info;
    if (old)
        old->Release();
    return S_OK;
}

HRESULT GetErrorInfo(uint32_t, IErrorInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = t_slot.info;
    t_slot.info = nullptr;
    return *info ? S_OK : S_FALSE;
}

HRESULT SetErrorInfoFields(const GUID& iid, std::u16string_view source, std::u16string_view description,
                           std::u16string_view helpFile, uint32_t helpContext)
{
    IErrorInfo* info = CreateErrorInfoObject(iid, source, description, helpFile, helpContext);
    if (!info)
        return E_OUTOFMEMORY;
    SetErrorInfo(0, info);
    info->Release();
    return S_OK;
}

} // namespace com
