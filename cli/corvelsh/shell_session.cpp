#include "cli/corvelsh/shell_session.h"

#include "platform/com/activation.h"
#include "platform/com/dispatch_helpers.h"
#include "platform/com/errorinfo.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <vector>

namespace zenu::corvelsh {

const IID ShellSession::kEventIid = {0x86800402, 0xF789, 0x11CE, {0x86, 0xF8, 0x00, 0x20, 0xAF, 0xD8, 0xC6, 0xDB}};

namespace {

// Results and descriptions are printed on one line whatever the control puts in them.
std::string oneLine(std::string text)
{
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

const char* usageOf(const std::string& verb)
{
    if (verb == "create") return "Usage: create [PROGID|{CLSID}]";
    if (verb == "get") return "Usage: get NAME [INDEX]";
    if (verb == "put") return "Usage: put NAME [INDEX] VALUE";
    if (verb == "call") return "Usage: call NAME [ARG]...";
    if (verb == "invoke") return "Usage: invoke DISPID method|get|put [ARG]...";
    if (verb == "design") return "Usage: design on|off";
    if (verb == "wait") return "Usage: wait MS";
    return "Usage: quit";
}

} // namespace

std::string DescribeFailure(HRESULT& hr, EXCEPINFO* ei)
{
    return oneLine(DescribeInvokeFailure(hr, ei));
}

ShellSession::ShellSession(Output output) : output_(std::move(output)), site_(new HostSite())
{
    // Messages the control asks the host to show (its about box) go to standard error, so
    // that standard output keeps one line per command.
    site_->setMessageHandler([](const std::u16string& title, const std::u16string& text) {
        std::string t = U16ToUtf8(title) + ": " + U16ToUtf8(text);
        std::fprintf(stderr, "%s\n", t.c_str());
    });
}

ShellSession::~ShellSession()
{
    release();
    site_->Release();
}

std::string ShellSession::errorLine(HRESULT hr, const std::string& text)
{
    return "! " + HResultHex(hr) + " " + oneLine(text);
}

std::string ShellSession::eventLine(const std::string& name, DISPID dispid, const DISPPARAMS* params)
{
    std::string line = "event " + (name.empty() ? "#" + std::to_string(dispid) : name) + "(";
    if (params && params->rgvarg) {
        for (uint32_t i = 0; i < params->cArgs; ++i) {
            if (i)
                line += ", ";
            line += FormatVariant(&params->rgvarg[params->cArgs - 1 - i]);
        }
    }
    return oneLine(line + ")");
}

bool ShellSession::execute(std::string_view line)
{
    ShellCommand cmd;
    std::string error;
    if (!ParseShellLine(line, cmd, error)) {
        output_(errorLine(E_INVALIDARG, error));
        return false;
    }
    if (cmd.verb.empty())
        return true;
    const Result r = run(cmd);
    if (FAILED(r.hr)) {
        output_(errorLine(r.hr, r.text));
        return false;
    }
    output_(r.hasValue ? "= " + oneLine(r.text) : std::string("="));
    return true;
}

ShellSession::Result ShellSession::run(const ShellCommand& cmd)
{
    const std::string& v = cmd.verb;
    if (v == "create")
        return create(cmd);
    if (v == "design")
        return design(cmd);
    if (v == "wait")
        return wait(cmd);
    if (v == "quit" || v == "exit") {
        quit_ = true;
        return {};
    }
    if (v != "get" && v != "put" && v != "call" && v != "invoke")
        return {E_INVALIDARG, "Unknown command \"" + v + "\" (create, get, put, call, invoke, design, wait, quit)"};
    if (!control_)
        return {E_POINTER, "No control created"};
    if (v == "get")
        return getOrPut(cmd, false);
    if (v == "put")
        return getOrPut(cmd, true);
    if (v == "call")
        return call(cmd);
    return invokeRaw(cmd);
}

ShellSession::Result ShellSession::create(const ShellCommand& cmd)
{
    if (cmd.args.size() > 1 || (cmd.args.size() == 1 && cmd.args[0].kind == ShellArg::Kind::Integer))
        return {E_INVALIDARG, usageOf("create")};
    release();
    std::u16string name;
    if (cmd.args.empty())
        name = Utf8ToU16(kDefaultProgId);
    else if (cmd.args[0].kind == ShellArg::Kind::String)
        name = cmd.args[0].text;
    else
        name = Utf8ToU16(cmd.args[0].word);

    CLSID clsid;
    HRESULT hr = !name.empty() && name[0] == u'{' ? CLSIDFromString(name.c_str(), &clsid)
                                                  : CLSIDFromProgID(name.c_str(), &clsid);
    if (FAILED(hr))
        return {hr, "Invalid class string \"" + U16ToUtf8(name) + "\""};

    SetErrorInfo(0, nullptr);
    IDispatch* disp = nullptr;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&disp));
    if (FAILED(hr) || !disp) {
        if (SUCCEEDED(hr))
            hr = E_NOINTERFACE;
        std::string text = TakeErrorDescription();
        return {hr, text.empty() ? HResultText(hr) : text};
    }
    control_ = disp;
    // The site comes first, so the control knows run time from design time before anything else.
    GiveSite(control_, site_);
    if (FAILED(control_->QueryInterface(IID_IProvideEventNames, reinterpret_cast<void**>(&eventNames_))))
        eventNames_ = nullptr;
    sink_ = new EventSink(kEventIid, [this](DISPID id, DISPPARAMS* p) { onEvent(id, p); });
    if (FAILED(AdviseSink(control_, kEventIid, sink_, &point_, &cookie_))) {
        // A control without events is still usable.
        point_ = nullptr;
        cookie_ = 0;
    }
    return {};
}

ShellSession::Result ShellSession::design(const ShellCommand& cmd)
{
    if (cmd.args.size() != 1 || cmd.args[0].kind != ShellArg::Kind::Word)
        return {E_INVALIDARG, usageOf("design")};
    const std::string& w = cmd.args[0].word;
    if (w != "on" && w != "off")
        return {E_INVALIDARG, usageOf("design")};
    site_->setUserMode(w == "off");
    // Handing the site over again lets a control that caches ambient properties re-read them.
    if (control_)
        GiveSite(control_, site_);
    return {};
}

ShellSession::Result ShellSession::wait(const ShellCommand& cmd)
{
    if (cmd.args.size() != 1 || cmd.args[0].kind != ShellArg::Kind::Integer || cmd.args[0].integer < 0
        || cmd.args[0].integer > kMaxWaitMs)
        return {E_INVALIDARG, std::string(usageOf("wait")) + " (0 to " + std::to_string(kMaxWaitMs) + ")"};
    if (!QCoreApplication::instance())
        return {E_UNEXPECTED, "No event loop"};
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(cmd.args[0].integer), &loop, &QEventLoop::quit);
    loop.exec();
    return {};
}

ShellSession::Result ShellSession::resolve(const std::string& name, DISPID& dispid)
{
    const std::u16string n = Utf8ToU16(name);
    const OLECHAR* names[] = {n.c_str()};
    SetErrorInfo(0, nullptr);
    const HRESULT hr = control_->GetIDsOfNames(IID_NULL, names, 1, 0x400, &dispid);
    if (FAILED(hr))
        return {hr, "Unknown name \"" + name + "\""};
    return {};
}

ShellSession::Result ShellSession::getOrPut(const ShellCommand& cmd, bool put)
{
    const size_t minArgs = put ? 2 : 1, maxArgs = put ? 3 : 2;
    if (cmd.args.size() < minArgs || cmd.args.size() > maxArgs || cmd.args[0].kind != ShellArg::Kind::Word)
        return {E_INVALIDARG, usageOf(cmd.verb)};
    DISPID id;
    Result r = resolve(cmd.args[0].word, id);
    if (FAILED(r.hr))
        return r;
    return invoke(id, put ? DISPATCH_PROPERTYPUT : DISPATCH_PROPERTYGET, cmd.args, 1);
}

ShellSession::Result ShellSession::call(const ShellCommand& cmd)
{
    if (cmd.args.empty() || cmd.args[0].kind != ShellArg::Kind::Word)
        return {E_INVALIDARG, usageOf("call")};
    DISPID id;
    Result r = resolve(cmd.args[0].word, id);
    if (FAILED(r.hr))
        return r;
    return invoke(id, DISPATCH_METHOD, cmd.args, 1);
}

ShellSession::Result ShellSession::invokeRaw(const ShellCommand& cmd)
{
    if (cmd.args.size() < 2 || cmd.args[0].kind != ShellArg::Kind::Integer || cmd.args[1].kind != ShellArg::Kind::Word)
        return {E_INVALIDARG, usageOf("invoke")};
    const std::string& kind = cmd.args[1].word;
    uint16_t flags;
    if (kind == "method")
        flags = DISPATCH_METHOD;
    else if (kind == "get")
        flags = DISPATCH_PROPERTYGET;
    else if (kind == "put")
        flags = DISPATCH_PROPERTYPUT;
    else
        return {E_INVALIDARG, usageOf("invoke")};
    if (flags == DISPATCH_PROPERTYPUT && cmd.args.size() < 3)
        return {E_INVALIDARG, "A put needs a value"};
    return invoke(static_cast<DISPID>(cmd.args[0].integer), flags, cmd.args, 2);
}

ShellSession::Result ShellSession::invoke(DISPID dispid, uint16_t flags, const std::vector<ShellArg>& args,
                                          size_t firstArg)
{
    const size_t n = args.size() - firstArg;
    std::vector<Variant> values(n);
    for (size_t i = 0; i < n; ++i) {
        const ShellArg& a = args[firstArg + i];
        // Automation wants the arguments last to first.
        if (!ArgToVariant(a, &values[n - 1 - i]))
            return {E_INVALIDARG, "Not a value: " + a.word + " (use \"text\", an integer, True or False)"};
    }
    Variant result;
    EXCEPINFO ei;
    SetErrorInfo(0, nullptr);
    HRESULT hr = InvokeMember(control_, dispid, flags, values.data(), static_cast<uint32_t>(n), &result, &ei);
    Result r;
    if (FAILED(hr)) {
        r.text = DescribeFailure(hr, &ei);
        r.hr = hr;
    } else if (flags == DISPATCH_PROPERTYGET || (flags == DISPATCH_METHOD && result.vt != VT_EMPTY)) {
        r.hasValue = true;
        r.text = FormatVariant(&result);
    }
    ClearExcepInfo(&ei);
    return r;
}

void ShellSession::onEvent(DISPID dispid, DISPPARAMS* params)
{
    std::string name;
    if (eventNames_) {
        BStr b;
        if (SUCCEEDED(eventNames_->GetEventName(dispid, b.out())))
            name = b.utf8();
    }
    output_(eventLine(name, dispid, params));
}

void ShellSession::release()
{
    if (point_) {
        point_->Unadvise(cookie_);
        point_->Release();
        point_ = nullptr;
        cookie_ = 0;
    }
    if (eventNames_) {
        eventNames_->Release();
        eventNames_ = nullptr;
    }
    if (control_) {
        GiveSite(control_, nullptr);
        control_->Release();
        control_ = nullptr;
    }
    if (sink_) {
        sink_->Release();
        sink_ = nullptr;
    }
}

} // namespace zenu::corvelsh
