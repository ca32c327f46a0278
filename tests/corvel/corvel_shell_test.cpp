// corvelsh end to end: the real binary drives the real library (registration-free, beside
// both in bin/), one result line per command, event lines as they fire.
#include "tests/corvel/corvel_support.h"

#include <cstdio>
#include <fstream>
#include <sys/wait.h>

using namespace corveltest;

namespace {

struct ShellRun {
    std::string out;
    int status = -1;
};

ShellRun shell(const std::string& arguments, const std::string& input = "")
{
    RegistryScope registry;
    const std::string script = registry.path() + "/input.txt";
    {
        std::ofstream f(script, std::ios::binary);
        f << input;
    }
    const std::string cmd = std::string(CORVELSH_PATH) + " " + arguments + " < " + script + " 2>/dev/null";
    ShellRun r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return r;
    char buf[1024];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int status = ::pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

} // namespace

TEST(Corvelsh, DrivesTheRealControl)
{
    const ShellRun r = shell("-", "create\n"
                             "get ServiceCount\n"
                             "get serviceid 0\n"
                             "call Config \"LastError\"\n"
                             "put Characteristic \"001000120000\"\n"
                             "put CharacteristicId 0 \"x\"\n"
                             "design on\n"
                             "get CharacteristicId 0\n"
                             "put Timeout 30\n"
                             "get Timeout\n"
                             "design off\n"
                             "call Connect \"  001122aabbcc \"\n"
                             "call Config \"NoSuchSetting\"\n"
                             "call Config \"loglevel\"\n"
                             "get ValueValueB\n"
                             "invoke 23 get\n"
                             "invoke 503 method \"CodePage\"\n"
                             "call ReadValue \"001000000000\" \"001000120000\" \"\"\n"
                             "call StartScanning \"12345\"\n"
                             "call AboutBox\n"
                             "get ActiveScanning\n"
                             "call Config \"GattObjTreeInfo\"\n"
                             "quit\n"
                             "get ServiceCount\n");
    const std::string connectText = "Connection to server ID 001122AABBCC was unsuccessful.";
    // BlueZ (the default stack) first logs why it cannot be used; the rest is the stack's own.
    std::string out = r.out;
    const std::string reason = "event Log(1, \"Bluetooth is not available: ";
    const size_t at = out.find(reason);
    ASSERT_NE(at, std::string::npos) << out;
    out.erase(at, out.find('\n', at) + 1 - at);
    EXPECT_EQ(out, "=\n"
                     "= 0\n"
                     "! 0x800A017D Invalid array index.\n"
                     "= \"Invalid ServiceIndex (out of bounds).\"\n"
                     "! 0x800A507B You must select a service before selecting a characteristic.\n"
                     "! 0x800A017F Property is read-only.\n"
                     "=\n"
                     "! 0x800A018A Property is runtime only (no supported in design time).\n"
                     "=\n"
                     "= 30\n"
                     "=\n"
                     "event Log(1, \"" + connectText + "\", \"Connection\")\n"
                     "event Connected(604, \"" + connectText + "\")\n"
                     "! 0x800A507D " + connectText + "\n"
                     "! 0x800A4E20 Unknown config setting.\n"
                     "= \"1\"\n"
                     "= Empty\n"
                     "= 0\n"
                     "= \"65001\"\n"
                     "! 0x800A507E You must be connected to a server to perform the requested action.\n"
                     "! 0x800A5079 UUIDs hexadecimal strings must represent either 16-, 32-, or 128-bit values.\n"
                     "=\n"
                     "= False\n"
                     "= \"GATT Object Tree Info [>Services, >>Characteristics, >>>Descriptors]:\\r\\n\"\n"
                     "=\n");   // quit, and nothing after it
    EXPECT_EQ(r.status, 1);   // some commands failed
}

TEST(Corvelsh, CreatesByEveryNameAndRunsCommandLinesFirst)
{
    const ShellRun r = shell("-c 'create AstrelBLE24.Corvel' -c 'get Timeout' -", "create {86800400-F789-11CE-86F8-0020AFD8C6DB}\n"
                                                                             "create \"AstrelBLE.Corvel.1\"\n"
                                                                             "get Scanning\n"
                                                                             "create Nope.Nothing\n"
                                                                             "get Scanning\n");
    EXPECT_EQ(r.out, "=\n"
                     "= 60\n"
                     "=\n"
                     "=\n"
                     "= False\n"
                     "! 0x800401F3 Invalid class string \"Nope.Nothing\"\n"
                     "! 0x80004003 No control created\n");
    EXPECT_EQ(r.status, 1);
}

TEST(Corvelsh, AllGoodMeansExitZeroAndBadArgumentsTwo)
{
    ShellRun r = shell("-c create -c 'call DoEvents' -c 'wait 10'");
    EXPECT_EQ(r.out, "=\n=\n=\n");
    EXPECT_EQ(r.status, 0);
    r = shell("-x");
    EXPECT_EQ(r.status, 2);
    r = shell("/nonexistent/script");
    EXPECT_EQ(r.status, 2);
    r = shell("-c 'call Config \"unterminated'");
    EXPECT_EQ(r.out, "! 0x80070057 Unterminated string\n");
    EXPECT_EQ(r.status, 1);
}
