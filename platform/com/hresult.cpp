#include "platform/com/hresult.h"

#include <cstdio>

namespace com {

std::string HResultHex(HRESULT hr)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(static_cast<uint32_t>(hr)));
    return buf;
}

std::string HResultText(HRESULT hr)
{
    switch (hr) {
    case S_OK: return "Success";
    case S_FALSE: return "False";
    case E_NOTIMPL: return "Not implemented";
    case E_NOINTERFACE: return "No such interface supported";
    case E_POINTER: return "Invalid pointer";
    case E_ABORT: return "Operation aborted";
    case E_FAIL: return "Unspecified error";
    case E_UNEXPECTED: return "Catastrophic failure";
    case E_ACCESSDENIED: return "Access is denied";
    case E_OUTOFMEMORY: return "Out of memory";
    case E_INVALIDARG: return "The parameter is incorrect";
    case DISP_E_UNKNOWNINTERFACE: return "Unknown interface";
    case DISP_E_MEMBERNOTFOUND: return "Member not found";
    case DISP_E_PARAMNOTFOUND: return "Parameter not found";
    case DISP_E_TYPEMISMATCH: return "Type mismatch";
    case DISP_E_UNKNOWNNAME: return "Unknown name";
    case DISP_E_NONAMEDARGS: return "No named arguments";
    case DISP_E_BADVARTYPE: return "Bad variable type";
    case DISP_E_EXCEPTION: return "Exception occurred";
    case DISP_E_OVERFLOW: return "Out of present range";
    case DISP_E_BADINDEX: return "Invalid index";
    case DISP_E_ARRAYISLOCKED: return "Memory is locked";
    case DISP_E_BADPARAMCOUNT: return "Invalid number of parameters";
    case DISP_E_PARAMNOTOPTIONAL: return "Parameter not optional";
    case CLASS_E_NOAGGREGATION: return "Class does not support aggregation";
    case CLASS_E_CLASSNOTAVAILABLE: return "Class not available from this library";
    case REGDB_E_READREGDB: return "Could not read the registry";
    case REGDB_E_WRITEREGDB: return "Could not write the registry";
    case static_cast<HRESULT>(0x80040152u): return "Registry key not found";
    case REGDB_E_CLASSNOTREG: return "Class not registered";
    case CO_E_CLASSSTRING: return "Invalid class string";
    case CO_E_DLLNOTFOUND: return "Library not found";
    case CO_E_ERRORINDLL: return "Library has no server entry points";
    case CONNECT_E_NOCONNECTION: return "No such connection";
    case CONNECT_E_ADVISELIMIT: return "Advise limit reached";
    case CONNECT_E_CANNOTCONNECT: return "Cannot connect";
    default: break;
    }
    return "Error " + HResultHex(hr);
}

} // namespace com
