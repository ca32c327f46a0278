// The file-based registry: location, case-insensitive keys, deletion, the text format,
// refusal to overwrite a damaged file, and concurrent writers.
#include "platform/com/registry.h"
#include "platform/com/registry_tree.h"
#include "tests/platform/com_test_util.h"

#include <fstream>
#include <sstream>
#include <thread>

using comtest::RegistryFixture;

namespace {
std::string readFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}
} // namespace

TEST(ComRegistryLocation, EnvironmentOrder)
{
    ::setenv("CORVEL_REGISTRY", "/tmp/explicit", 1);
    ::setenv("XDG_DATA_HOME", "/tmp/xdg", 1);
    EXPECT_EQ(Registry::location(), "/tmp/explicit");
    ::unsetenv("CORVEL_REGISTRY");
    EXPECT_EQ(Registry::location(), "/tmp/xdg/corvel/registry");
    ::unsetenv("XDG_DATA_HOME");
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(Registry::location(), "/home/someone/.local/share/corvel/registry");
}

TEST_F(RegistryFixture, SetGetCaseInsensitiveAndDefaultValue)
{
    const std::string key = "CLSID\\{86800400-F789-11CE-86F8-0020AFD8C6DB}\\InprocServer32";
    ASSERT_EQ(RegSetKeyValue(key, "", "/opt/lib/libcorvelctl.so"), S_OK);
    ASSERT_EQ(RegSetKeyValue(key, "ThreadingModel", "Apartment"), S_OK);
    std::string v;
    ASSERT_EQ(RegGetValue("clsid\\{86800400-f789-11ce-86f8-0020afd8c6db}\\inprocserver32", "", v), S_OK);
    EXPECT_EQ(v, "/opt/lib/libcorvelctl.so");
    ASSERT_EQ(RegGetValue(key, "threadingmodel", v), S_OK);
    EXPECT_EQ(v, "Apartment");
    ASSERT_EQ(RegSetKeyValue(key, "THREADINGMODEL", "Both"), S_OK);   // same value, replaced
    ASSERT_EQ(RegGetValue(key, "ThreadingModel", v), S_OK);
    EXPECT_EQ(v, "Both");
    EXPECT_EQ(RegGetValue(key, "Missing", v), REGDB_E_KEYMISSING);
    EXPECT_TRUE(v.empty());
    EXPECT_TRUE(RegKeyExists("CLSID"));
    EXPECT_TRUE(RegKeyExists("\\CLSID\\"));   // stray separators do not matter
    EXPECT_FALSE(RegKeyExists("CLSID\\{00000000-0000-0000-0000-000000000000}"));
    EXPECT_EQ(RegSetKeyValue("", "x", "y"), E_INVALIDARG);
    EXPECT_EQ(RegSetKeyValue("A\nB", "x", "y"), E_INVALIDARG);
}

TEST_F(RegistryFixture, MarkerKeysDeleteTreeAndEnumeration)
{
    const std::string clsid = "CLSID\\{86800400-F789-11CE-86F8-0020AFD8C6DB}";
    ASSERT_EQ(RegCreateKey(clsid + "\\Programmable"), S_OK);
    EXPECT_EQ(RegCreateKey(clsid + "\\programmable"), S_FALSE);
    ASSERT_EQ(RegCreateKey(clsid + "\\Control"), S_OK);
    ASSERT_EQ(RegSetKeyValue(clsid + "\\MiscStatus\\1", "", "132497"), S_OK);
    ASSERT_EQ(RegSetKeyValue("AstrelBLE.Corvel\\CurVer", "", "AstrelBLE.Corvel.1"), S_OK);
    std::vector<std::string> names;
    ASSERT_EQ(RegEnumKeys(clsid, names), S_OK);
    EXPECT_EQ(names, (std::vector<std::string> {"Programmable", "Control", "MiscStatus"}));

    EXPECT_EQ(RegDeleteTree(clsid), S_OK);
    EXPECT_FALSE(RegKeyExists(clsid + "\\MiscStatus\\1"));
    EXPECT_TRUE(RegKeyExists("CLSID"));
    EXPECT_TRUE(RegKeyExists("AstrelBLE.Corvel\\CurVer"));   // siblings untouched
    EXPECT_EQ(RegDeleteTree(clsid), S_FALSE);
    EXPECT_EQ(RegDeleteValue("AstrelBLE.Corvel\\CurVer", ""), S_OK);
    EXPECT_EQ(RegDeleteValue("AstrelBLE.Corvel\\CurVer", ""), S_FALSE);
}

TEST_F(RegistryFixture, TextFormatIsReadableAndRoundTripsEscapes)
{
    ASSERT_EQ(RegSetKeyValue("Key\\Sub", "", "C:\\path \"quoted\"\r\n\ttab"), S_OK);
    ASSERT_EQ(RegSetKeyValue("Key\\Sub", "Name With Blank", "v"), S_OK);
    const std::string text = readFile(Registry::filePath());
    EXPECT_NE(text.find("[Key\\Sub]\n@=\"C:\\\\path \\\"quoted\\\"\\r\\n\\ttab\"\n\"Name With Blank\"=\"v\"\n"),
              std::string::npos)
        << text;
    std::string v;
    ASSERT_EQ(RegGetValue("Key\\Sub", "", v), S_OK);
    EXPECT_EQ(v, "C:\\path \"quoted\"\r\n\ttab");
    // No temporary files are left behind.
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
        if (e.path().filename().string().find(".tmp") != std::string::npos)
            ++files;
    EXPECT_EQ(files, 0);
}

TEST_F(RegistryFixture, DamagedFileIsReportedAndNeverOverwritten)
{
    std::filesystem::create_directories(Registry::location());
    const std::string damaged = "[Good]\n@=\"1\"\nthis line is not a value\n";
    {
        std::ofstream f(Registry::filePath(), std::ios::binary);
        f << damaged;
    }
    std::string v;
    EXPECT_EQ(RegGetValue("Good", "", v), REGDB_E_READREGDB);
    EXPECT_EQ(RegSetKeyValue("Other", "", "x"), REGDB_E_WRITEREGDB);
    EXPECT_EQ(RegDeleteTree("Good"), REGDB_E_WRITEREGDB);
    EXPECT_EQ(readFile(Registry::filePath()), damaged);

    com::RegistryNode root;
    int bad = 0;
    EXPECT_FALSE(com::ParseRegistryText(damaged, root, &bad));
    EXPECT_EQ(bad, 3);
    EXPECT_FALSE(com::ParseRegistryText("@=\"value before any key\"\n", root, &bad));
    EXPECT_FALSE(com::ParseRegistryText("[K]\n@=\"unterminated\n", root, &bad));
    EXPECT_FALSE(com::ParseRegistryText("[K]\n@=\"bad \\q escape\"\n", root, &bad));
    EXPECT_TRUE(com::ParseRegistryText("; comment\r\n\r\n[K]\r\n@=\"crlf\"\r\n", root, &bad));
    ASSERT_NE(root.child("k"), nullptr);
    EXPECT_EQ(*root.child("k")->value(""), "crlf");
}

TEST_F(RegistryFixture, ConcurrentWritersLoseNothing)
{
    auto writer = [](int id) {
        for (int i = 0; i < 25; ++i)
            RegSetKeyValue("Writers\\W" + std::to_string(id) + "_" + std::to_string(i), "", "x");
    };
    std::thread a(writer, 1), b(writer, 2);
    a.join();
    b.join();
    std::vector<std::string> names;
    ASSERT_EQ(RegEnumKeys("Writers", names), S_OK);
    EXPECT_EQ(names.size(), 50u);
}
