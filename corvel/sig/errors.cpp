#include "corvel/sig/errors.h"

namespace corvel {

namespace {

struct CodeText {
    int code;
    const char* text;
};

// The shared core's descriptions, mostly socket errors.
const CodeText kDescriptions[] = {
    {kErrUnknownSetting, "Unknown config setting."},
    {kErrOutOfMemory, "Out of memory."},
    {kErrBadArgument, "Bad argument."},
    {kErrInterrupted, "Interrupted."},
    {kErrIndexOutOfBounds, "Index out of bounds."},
    {kErrMalformedUuid, "Malformed UUID."},
    {kErrNotFound, "Object not found."},
    {kErrNotAllowed, "Operation not allowed in the current state."},
    {kErrNotConnected, "You must be connected to a server to perform the requested action."},
    {10004, "Interrupted system call."},
    {10009, "Bad file number."},
    {10013, "Access denied."},
    {10014, "Bad address."},
    {10022, "Invalid argument."},
    {10024, "Too many open files."},
    {10035, "Operation would block."},
    {10036, "Operation now in progress."},
    {10037, "Operation already in progress."},
    {10038, "Socket operation on non-socket."},
    {10039, "Destination address required."},
    {10040, "Message too long."},
    {10041, "Protocol wrong type for socket."},
    {10042, "Bad protocol option."},
    {10043, "Protocol not supported."},
    {10044, "Socket type not supported."},
    {10045, "Operation not supported on socket."},
    {10046, "Protocol family not supported."},
    {10047, "Address family not supported by protocol family."},
    {10048, "Address already in use."},
    {10049, "Can't assign requested address."},
    {10050, "Network is down."},
    {10051, "Network is unreachable."},
    {10052, "Net dropped connection or reset."},
    {10053, "Software caused connection abort."},
    {10054, "Connection reset by peer."},
    {10055, "No buffer space available."},
    {10056, "Socket is already connected."},
    {10057, "Socket is not connected."},
    {10058, "Can't send after socket shutdown."},
    {10059, "Too many references, can't splice."},
    {10060, "Connection timed out."},
    {10061, "Connection refused."},
    {10062, "Too many levels of symbolic links."},
    {10063, "File name too long."},
    {10064, "Host is down."},
    {10065, "No route to host."},
    {10091, "Network subsystem is unavailable."},
    {10092, "Winsock version not supported."},
    {10093, "Winsock not initialized."},
    {10101, "Graceful shutdown in progress."},
    {11001, "Host not found."},
    {11002, "Non-authoritative host not found."},
    {11003, "Non-recoverable error."},
    {11004, "Valid name, no data record of requested type."},
};

} // namespace

std::string sharedCoreErrorDescription(int code)
{
    for (const CodeText& e : kDescriptions)
        if (e.code == code)
            return e.text;
    return {};
}

std::string defaultErrorText(int code)
{
    if (code == kErrOutOfMemory)
        return text::kOutOfMemory;
    if (code == kErrInterrupted)
        return text::kInterrupted;
    std::string description = sharedCoreErrorDescription(code);
    if (description.empty())
        description = text::kNoDescription;
    return "[" + std::to_string(code) + "] " + description;
}

} // namespace corvel
