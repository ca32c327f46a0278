#pragma once
// One corvelsh session: the host of one control. It creates the control, gives it a
// site with the ambient properties, listens to its events and runs the commands.
#include "cli/corvelsh/shell_syntax.h"
#include "platform/com/host_site.h"

#include <functional>
#include <string>

namespace zenu::corvelsh {

class ShellSession {
public:
    using Output = std::function<void(const std::string& line)>;

    // The event interface the session listens to by default.
    static const IID kEventIid;   // {86800402-F789-11CE-86F8-0020AFD8C6DB}
    static constexpr const char* kDefaultProgId = "AstrelBLE.Corvel";
    static constexpr int kMaxWaitMs = 24 * 3600 * 1000;

    explicit ShellSession(Output output);
    ~ShellSession();
    ShellSession(const ShellSession&) = delete;
    ShellSession& operator=(const ShellSession&) = delete;

    // Runs one line and prints its result line (blank and comment lines print nothing).
    // Returns false when the command failed.
    bool execute(std::string_view line);
    bool quitRequested() const { return quit_; }
    bool hasControl() const { return control_ != nullptr; }

    // Prints "! 0xHHHHHHHH TEXT".
    static std::string errorLine(HRESULT hr, const std::string& text);
    // Event line as printed: event NAME(ARG, ...), or event #DISPID(...) without a name.
    static std::string eventLine(const std::string& name, DISPID dispid, const DISPPARAMS* params);

private:
    struct Result {
        HRESULT hr = S_OK;
        std::string text;   // value text on success, description on failure
        bool hasValue = false;
    };

    Result run(const ShellCommand& cmd);
    Result create(const ShellCommand& cmd);
    Result getOrPut(const ShellCommand& cmd, bool put);
    Result call(const ShellCommand& cmd);
    Result invokeRaw(const ShellCommand& cmd);
    Result design(const ShellCommand& cmd);
    Result wait(const ShellCommand& cmd);
    Result invoke(DISPID dispid, uint16_t flags, const std::vector<ShellArg>& args, size_t firstArg);
    Result resolve(const std::string& name, DISPID& dispid);
    void release();
    void onEvent(DISPID dispid, DISPPARAMS* params);

    Output output_;
    HostSite* site_ = nullptr;
    IDispatch* control_ = nullptr;
    IProvideEventNames* eventNames_ = nullptr;
    IConnectionPoint* point_ = nullptr;
    uint32_t cookie_ = 0;
    EventSink* sink_ = nullptr;
    bool quit_ = false;
};

// Description of a failed Invoke: EXCEPINFO's text, else the thread's error information,
// else a generic text for the code. `hr` becomes the code to report (EXCEPINFO's scode for
// DISP_E_EXCEPTION).
std::string DescribeFailure(HRESULT& hr, EXCEPINFO* excepInfo);

} // namespace zenu::corvelsh
