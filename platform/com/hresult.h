#pragma once
// Result codes of the automation layer; names and values as on Windows so that
// code written against COM reads the same here.
#include <cstdint>
#include <string>

namespace com {

using HRESULT = int32_t;

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr HRESULT MAKE_HRESULT(uint32_t severity, uint32_t facility, uint32_t code)
{
    return static_cast<HRESULT>((severity << 31) | ((facility & 0x7FFFu) << 16) | (code & 0xFFFFu));
}
constexpr uint32_t HRESULT_CODE(HRESULT hr) { return static_cast<uint32_t>(hr) & 0xFFFFu; }
constexpr uint32_t HRESULT_FACILITY(HRESULT hr) { return (static_cast<uint32_t>(hr) >> 16) & 0x7FFFu; }

constexpr uint32_t FACILITY_ITF = 4;
constexpr uint32_t FACILITY_CONTROL = 10;
constexpr uint32_t SEVERITY_ERROR = 1;

#define COM_HR(v) static_cast<::com::HRESULT>(static_cast<uint32_t>(v))
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = COM_HR(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = COM_HR(0x80004002u);
inline constexpr HRESULT E_POINTER = COM_HR(0x80004003u);
inline constexpr HRESULT E_ABORT = COM_HR(0x80004004u);
inline constexpr HRESULT E_FAIL = COM_HR(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = COM_HR(0x8000FFFFu);
inline constexpr HRESULT E_ACCESSDENIED = COM_HR(0x80070005u);
inline constexpr HRESULT E_OUTOFMEMORY = COM_HR(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = COM_HR(0x80070057u);
inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = COM_HR(0x80020001u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = COM_HR(0x80020003u);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = COM_HR(0x80020004u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = COM_HR(0x80020005u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = COM_HR(0x80020006u);
inline constexpr HRESULT DISP_E_NONAMEDARGS = COM_HR(0x80020007u);
inline constexpr HRESULT DISP_E_BADVARTYPE = COM_HR(0x80020008u);
inline constexpr HRESULT DISP_E_EXCEPTION = COM_HR(0x80020009u);
inline constexpr HRESULT DISP_E_OVERFLOW = COM_HR(0x8002000Au);
inline constexpr HRESULT DISP_E_BADINDEX = COM_HR(0x8002000Bu);
inline constexpr HRESULT DISP_E_ARRAYISLOCKED = COM_HR(0x8002000Du);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = COM_HR(0x8002000Eu);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = COM_HR(0x8002000Fu);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = COM_HR(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = COM_HR(0x80040111u);
inline constexpr HRESULT REGDB_E_READREGDB = COM_HR(0x80040150u);
inline constexpr HRESULT REGDB_E_WRITEREGDB = COM_HR(0x80040151u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = COM_HR(0x80040154u);
inline constexpr HRESULT CO_E_CLASSSTRING = COM_HR(0x800401F3u);
inline constexpr HRESULT CO_E_DLLNOTFOUND = COM_HR(0x800401F8u);
inline constexpr HRESULT CO_E_ERRORINDLL = COM_HR(0x800401F9u);
inline constexpr HRESULT CONNECT_E_NOCONNECTION = COM_HR(0x80040200u);
inline constexpr HRESULT CONNECT_E_ADVISELIMIT = COM_HR(0x80040201u);
inline constexpr HRESULT CONNECT_E_CANNOTCONNECT = COM_HR(0x80040202u);
inline constexpr HRESULT SELFREG_E_TYPELIB = COM_HR(0x80040200u);
inline constexpr HRESULT SELFREG_E_CLASS = COM_HR(0x80040201u);
#undef COM_HR

// Automation "CTL" errors of controls: 0x800A0000 | code (383 -> 0x800A017F).
constexpr HRESULT MakeCtlError(int code)
{
    return static_cast<HRESULT>(0x800A0000u | (static_cast<uint32_t>(code) & 0xFFFFu));
}

// A short English text for a known code ("Unspecified error", ...), else "Error 0xHHHHHHHH".
std::string HResultText(HRESULT hr);
// "0xHHHHHHHH", upper case, 8 digits.
std::string HResultHex(HRESULT hr);

} // namespace com

// The COM names are global, as on Windows.
using namespace com;
