// corvelsh: its language, its printing, a session against the test server, and one run
// of the real binary.
#include "cli/corvelsh/shell_session.h"
#include "tests/platform/com_fake_control.h"
#include "tests/platform/com_test_util.h"

#include <cstdio>
#include <fstream>
#include <sys/wait.h>

using namespace zenu::corvelsh;

namespace {

ShellCommand parse(std::string_view line)
{
    ShellCommand c;
    std::string error;
    EXPECT_TRUE(ParseShellLine(line, c, error)) << line << ": " << error;
    return c;
}

std::string parseError(std::string_view line)
{
    ShellCommand c;
    std::string error;
    EXPECT_FALSE(ParseShellLine(line, c, error)) << line;
    return error;
}

const std::string kFake = "{6C1B2E60-3F0A-4D7E-9A41-0B7E5C2D9A01}";

} // namespace

TEST(CorvelshSyntax, SplitsVerbsWordsStringsNumbersAndBooleans)
{
    ShellCommand c = parse("  PUT Name 3 \"a b\\\"c\\\\d\\r\\n\\t\\x41\\x00\" true -32768 40000");
    EXPECT_EQ(c.verb, "put");
    ASSERT_EQ(c.args.size(), 6u);
    EXPECT_EQ(c.args[0].kind, ShellArg::Kind::Word);
    EXPECT_EQ(c.args[0].word, "Name");
    EXPECT_EQ(c.args[1].kind, ShellArg::Kind::Integer);
    EXPECT_EQ(c.args[1].integer, 3);
    EXPECT_EQ(c.args[2].kind, ShellArg::Kind::String);
    EXPECT_EQ(c.args[2].text, std::u16string(u"a b\"c\\d\r\n\tA\0", 12));
    EXPECT_EQ(c.args[3].kind, ShellArg::Kind::Boolean);
    EXPECT_TRUE(c.args[3].boolean);

    Variant v;
    ASSERT_TRUE(ArgToVariant(c.args[4], &v));
    EXPECT_EQ(v.vt, VT_I2);
    ASSERT_TRUE(ArgToVariant(c.args[5], &v));
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, 40000);
    EXPECT_FALSE(ArgToVariant(c.args[0], &v));

    EXPECT_TRUE(parse("").verb.empty());
    EXPECT_TRUE(parse("   # a comment").verb.empty());
    EXPECT_EQ(parse("call Echo \"\"").args[1].text, u"");
    EXPECT_EQ(parse("call Echo \"Gr\xC3\xBC\xC3\x9F\"").args[1].text, u"Grüß");
}

TEST(CorvelshSyntax, RejectsBrokenInput)
{
    EXPECT_EQ(parseError("call Echo \"open"), "Unterminated string");
    EXPECT_EQ(parseError("call Echo \"bad\\q\""), "Unknown escape \\q");
    EXPECT_NE(parseError("call Echo \"\\x4\"").find("\\x"), std::string::npos);
    EXPECT_NE(parseError("call Echo \"\\x").find("\\x"), std::string::npos);
    EXPECT_NE(parseError("call Echo \"a\"b").find("blank"), std::string::npos);
    EXPECT_NE(parseError("call Add 2147483648 1").find("out of range"), std::string::npos);
    EXPECT_NE(parseError("call Add 99999999999999999999999 1").find("out of range"), std::string::npos);
    EXPECT_NE(parseError("call x\"y").find("quote"), std::string::npos);
}

TEST(CorvelshFormat, ValuesPrintInTheInputForm)
{
    EXPECT_EQ(FormatVariant(nullptr), "Empty");
    Variant v;
    EXPECT_EQ(FormatVariant(&v), "Empty");
    EXPECT_EQ(FormatVariant(&(v = Variant::fromI2(-5))), "-5");
    EXPECT_EQ(FormatVariant(&(v = Variant::fromI4(100000))), "100000");
    EXPECT_EQ(FormatVariant(&(v = Variant::fromBool(true))), "True");
    EXPECT_EQ(FormatVariant(&(v = Variant::fromBool(false))), "False");
    const char16_t odd[] = {u'"', u'\\', u'\r', u'\n', u'\t', 0, 0x1F, 0x7F, u'\u00e4', u'\u20ac'};
    EXPECT_EQ(FormatVariant(&(v = Variant::fromU16(std::u16string(odd, 10)))),
              "\"\\\"\\\\\\r\\n\\t\\x00\\x1F\\x7F\xC3\xA4\xE2\x82\xAC\"");
    const uint8_t bytes[] = {0x00, 0xAB, 0x7F};
    Variant a;
    a.vt = VT_ARRAY | VT_UI1;
    a.parray = SafeArrayFromBytes(bytes, 3);
    EXPECT_EQ(FormatVariant(&a), "bytes[3] 00AB7F");
    Variant e;
    e.vt = VT_ARRAY | VT_UI1;
    e.parray = SafeArrayFromBytes(nullptr, 0);
    EXPECT_EQ(FormatVariant(&e), "bytes[0]");

    int16_t n = 7;
    Variant r;
    r.vt = VT_BYREF | VT_I2;
    r.piVal = &n;
    EXPECT_EQ(FormatVariant(&r), "7");
    n = 8;   // by reference: the current value
    EXPECT_EQ(FormatVariant(&r), "8");

    // What prints parses back to the same text.
    ShellCommand c = parse("call Echo " + FormatVariant(&(v = Variant::fromU16(std::u16string(odd, 10)))));
    EXPECT_EQ(c.args[1].text, std::u16string(odd, 10));
}

TEST(CorvelshFormat, ErrorAndEventLines)
{
    EXPECT_EQ(ShellSession::errorLine(MakeCtlError(383), "Property is read-only."),
              "! 0x800A017F Property is read-only.");
    EXPECT_EQ(ShellSession::errorLine(E_FAIL, "two\nlines"), "! 0x80004005 two lines");
    BSTR s = SysAllocString(u"id");
    VARIANT_BOOL f = VARIANT_TRUE;
    VARIANT args[2];
    args[1].vt = VT_BYREF | VT_BSTR;
    args[1].pbstrVal = &s;
    args[0].vt = VT_BYREF | VT_BOOL;
    args[0].pboolVal = &f;
    DISPPARAMS p {args, nullptr, 2, 0};
    EXPECT_EQ(ShellSession::eventLine("Value", 13, &p), "event Value(\"id\", True)");
    EXPECT_EQ(ShellSession::eventLine("", 13, &p), "event #13(\"id\", True)");
    DISPPARAMS none {nullptr, nullptr, 0, 0};
    EXPECT_EQ(ShellSession::eventLine("StopScan", 10, &none), "event StopScan()");
    SysFreeString(s);
}

class CorvelshSession : public comtest::RegistryFixture {
protected:
    std::vector<std::string> run(std::initializer_list<const char*> lines)
    {
        std::vector<std::string> out;
        ShellSession session([&](const std::string& l) { out.push_back(l); });
        for (const char* l : lines)
            session.execute(l);
        return out;
    }
};

TEST_F(CorvelshSession, CommandsBeforeCreateAndFailingCreate)
{
    const auto out = run({"get Name", "create No.Such.ProgId", "call Echo \"x\"", "bogus", "wait -1", "design maybe"});
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(out[0], "! 0x80004003 No control created");
    EXPECT_EQ(out[1], "! 0x800401F3 Invalid class string \"No.Such.ProgId\"");
    EXPECT_EQ(out[2], "! 0x80004003 No control created");
    EXPECT_EQ(out[3].rfind("! 0x80070057 Unknown command \"bogus\"", 0), 0u);
    EXPECT_EQ(out[4].rfind("! 0x80070057 Usage: wait MS", 0), 0u);
    EXPECT_EQ(out[5], "! 0x80070057 Usage: design on|off");
}

TEST_F(CorvelshSession, DrivesTheControlAndPrintsEvents)
{
    ::setenv("CORVEL_LIBRARY_PATH", COM_TEST_SERVER_PATH, 1);
    const std::string create = "create " + kFake;
    const auto out = run({create.c_str(), "get name", "put Name \"new\\x00name\"", "get Name", "get Item 1",
                          "get Item 7", "put ReadOnly 5", "get Bytes", "call Add 2 40000", "call Nope",
                          "call Fire \"t\" 3 True", "call FireUnnamed", "call Fail \"Custom\\ntext\"",
                          "call FailPlain", "invoke 4 get", "invoke 1 put \"raw\"", "invoke 1 get",
                          "call Add \"x\" 1", "design on", "get RuntimeOnly", "get UserMode", "design off",
                          "get RuntimeOnly", "call FireLater 10", "wait 200", "quit"});
    const std::vector<std::string> expected = {
        "=",
        "= \"fake\"",
        "=",
        "= \"new\\x00name\"",
        "= \"one\"",
        "! 0x800A017D Invalid array index.",
        "! 0x800A017F Property is read-only.",
        "= bytes[3] 0041FF",
        "= 40002",
        "! 0x80020006 Unknown name \"Nope\"",
        "event Ping(\"t\", 3, True)",
        "= 1",
        "event #3(\"x\", 5, False)",
        "=",
        "! 0x800A507E Custom text",
        "! 0x80004005 Plain failure.",
        "= 42",
        "=",
        "= \"raw\"",
        "! 0x80020005 Type mismatch",
        "=",
        "! 0x800A018A Property is runtime only (no supported in design time).",
        "= False",
        "=",
        "= 1",
        "=",
        "event Later(\"later\", 7, True)",
        "=",
        "=",
    };
    EXPECT_EQ(out, expected);
}

TEST_F(CorvelshSession, RealBinaryAgainstTheTestServer)
{
    const std::string script = dir_.path() + "/script.txt";
    {
        std::ofstream f(script, std::ios::binary);
        f << "# comment lines print nothing\r\n"
          << "create " << kFake << "\r\n"
          << "call Echo \"\\xE4\"\n"
          << "call Fire \"a\\\"b\" -1 False\n"
          << "get Item 9\n"
          << "quit\n"
          << "get Name\n";   // after quit: not run
    }
    const std::string cmd = "CORVEL_LIBRARY_PATH=" + std::string(COM_TEST_SERVER_PATH) + " " + CORVELSH_PATH
                          + " -c 'get Name' " + script;
    FILE* p = ::popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int status = ::pclose(p);
    EXPECT_EQ(out, "! 0x80004003 No control created\n"
                   "=\n"
                   "= \"\xC3\xA4\"\n"
                   "event Ping(\"a\\\"b\", -1, False)\n"
                   "= 1\n"
                   "! 0x800A017D Invalid array index.\n"
                   "=\n");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);   // some commands failed
}
