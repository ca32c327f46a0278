// Self-registration of libcorvelctl.so into the file registry and back out, activation by
// every ProgID and by CLSID from the registry, registration-free activation (beside the
// executable and by CORVEL_LIBRARY_PATH), stale registrations, and corvel-regsvr.
#include "tests/corvel/corvel_support.h"

#include "corvel/com/corvel_ids.h"
#include "platform/com/activation.h"
#include "platform/com/errorinfo.h"
#include "platform/com/exports.h"
#include "platform/com/registry.h"

#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <sys/wait.h>

using namespace corveltest;

namespace {

const std::string kClsid = "{86800400-F789-11CE-86F8-0020AFD8C6DB}";
const std::string kLibid = "{86800403-F789-11CE-86F8-0020AFD8C6DB}";

HRESULT callLibrary(const char* entry)
{
    void* h = ::dlopen(CORVELCTL_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!h)
        return CO_E_DLLNOTFOUND;
    auto fn = reinterpret_cast<PFN_DllRegisterServer>(::dlsym(h, entry));
    return fn ? fn() : CO_E_ERRORINDLL;
}

std::string value(const std::string& key, const std::string& name = "")
{
    std::string v;
    const HRESULT hr = RegGetValue(key, name, v);
    return SUCCEEDED(hr) ? v : "<" + HResultHex(hr) + ">";
}

std::string libraryPath()
{
    char resolved[PATH_MAX];
    return ::realpath(CORVELCTL_PATH, resolved) ? resolved : CORVELCTL_PATH;
}

int run(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The control's class name as activation reports it: created and answering.
bool creates(const CLSID& clsid)
{
    IDispatch* d = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&d))))
        return false;
    Control control(d);
    return control.get("ServiceCount").ok();
}

} // namespace

TEST(Registration, WritesEveryEntryAndRemovesThemAgain)
{
    RegistryScope registry;
    ASSERT_EQ(callLibrary("DllRegisterServer"), S_OK);
    const std::string key = "CLSID\\" + kClsid;
    const std::string module = libraryPath();
    EXPECT_FALSE(value(key).empty());
    EXPECT_EQ(value(key + "\\ProgID"), "AstrelBLE.Corvel.1");
    EXPECT_EQ(value(key + "\\VersionIndependentProgID"), "AstrelBLE.Corvel");
    EXPECT_EQ(value(key + "\\InprocServer32"), module);
    EXPECT_EQ(value(key + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(value(key + "\\ToolboxBitmap32"), module + ", 101");
    EXPECT_EQ(value(key + "\\MiscStatus"), "0");
    EXPECT_EQ(value(key + "\\MiscStatus\\1"), "132497");
    EXPECT_EQ(value(key + "\\TypeLib"), kLibid);
    EXPECT_EQ(value(key + "\\Version"), "1.0");
    for (const char* marker : {"Programmable", "Control", "Insertable"})
        EXPECT_TRUE(RegKeyExists(key + "\\" + marker)) << marker;
    for (const char* progId : {"AstrelBLE.Corvel", "AstrelBLE.Corvel.1", "AstrelBLE24.Corvel"}) {
        EXPECT_FALSE(value(progId).empty()) << progId;
        EXPECT_EQ(value(std::string(progId) + "\\CLSID"), kClsid) << progId;
        EXPECT_EQ(value(std::string(progId) + "\\CurVer"), "AstrelBLE.Corvel.1") << progId;
    }
    EXPECT_EQ(value("TypeLib\\" + kLibid + "\\1.0"), "CORVELLib");
    EXPECT_EQ(value("Interface\\{86800401-F789-11CE-86F8-0020AFD8C6DB}"), "ICorvel");
    EXPECT_EQ(value("Interface\\{86800402-F789-11CE-86F8-0020AFD8C6DB}"), "_ICorvelEvents");

    // Registering twice changes nothing.
    ASSERT_EQ(callLibrary("DllRegisterServer"), S_OK);
    EXPECT_EQ(value(key + "\\InprocServer32"), module);

    for (const char16_t* progId : {u"AstrelBLE.Corvel", u"AstrelBLE.Corvel.1", u"astrelble24.corvel"}) {
        CLSID clsid = GUID_NULL;
        ASSERT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
        EXPECT_EQ(GuidToString(clsid), kClsid);
        EXPECT_TRUE(creates(clsid));
    }

    ASSERT_EQ(callLibrary("DllUnregisterServer"), S_OK);
    for (const std::string& k : {key, std::string("AstrelBLE.Corvel"), std::string("AstrelBLE.Corvel.1"),
                                 std::string("AstrelBLE24.Corvel"), "TypeLib\\" + kLibid,
                                 std::string("Interface\\{86800401-F789-11CE-86F8-0020AFD8C6DB}")})
        EXPECT_FALSE(RegKeyExists(k)) << k;
    EXPECT_EQ(callLibrary("DllUnregisterServer"), S_OK);   // nothing left to remove is no failure
}

TEST(Registration, OtherClassesInTheRegistryAreLeftAlone)
{
    RegistryScope registry;
    ASSERT_EQ(RegSetKeyValue("CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32", "", "/opt/other.so"),
              S_OK);
    ASSERT_EQ(callLibrary("DllRegisterServer"), S_OK);
    ASSERT_EQ(callLibrary("DllUnregisterServer"), S_OK);
    EXPECT_EQ(value("CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32"), "/opt/other.so");
}

TEST(Activation, RegistrationFreeBesideTheExecutable)
{
    RegistryScope registry;   // empty
    EXPECT_FALSE(RegKeyExists("CLSID\\" + kClsid));
    EXPECT_TRUE(creates(corvel::CLSID_Corvel));
    CLSID clsid = GUID_NULL;
    ASSERT_EQ(CLSIDFromProgID(u"AstrelBLE24.Corvel", &clsid), S_OK);
    EXPECT_TRUE(creates(clsid));
    EXPECT_EQ(CLSIDFromProgID(u"AstrelBLE.Other", &clsid), CO_E_CLASSSTRING);
}

TEST(Activation, StaleRegistrationFallsThroughToTheLibraryPath)
{
    RegistryScope registry;
    ASSERT_EQ(RegSetKeyValue("CLSID\\" + kClsid + "\\InprocServer32", "", "/nonexistent/libcorvelctl.so"), S_OK);
    EXPECT_TRUE(creates(corvel::CLSID_Corvel));   // still found beside the executable

    // By CORVEL_LIBRARY_PATH naming a folder that holds the library.
    const std::string folder = registry.path() + "/lib";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(CORVELCTL_PATH, folder + "/libcorvelctl.so");
    ::setenv("CORVEL_LIBRARY_PATH", folder.c_str(), 1);
    EXPECT_TRUE(creates(corvel::CLSID_Corvel));

    // A class nobody serves fails with an explanation naming the places tried.
    const CLSID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    IUnknown* object = reinterpret_cast<IUnknown*>(1);
    SetErrorInfo(0, nullptr);
    EXPECT_TRUE(FAILED(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                        reinterpret_cast<void**>(&object))));
    EXPECT_EQ(object, nullptr);
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    BStr text;
    info->GetDescription(text.out());
    info->Release();
    EXPECT_NE(text.utf8().find("{12345678-1234-1234-0102-030405060708}"), std::string::npos) << text.utf8();
}

TEST(Activation, TheFactoryRefusesAggregation)
{
    RegistryScope registry;
    Control outer = createControl();
    ASSERT_TRUE(outer);
    IUnknown* inner = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(CoCreateInstance(corvel::CLSID_Corvel, outer.get(), CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&inner)),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(inner, nullptr);
    EXPECT_EQ(CoCreateInstance(corvel::CLSID_Corvel, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&inner)),
              REGDB_E_CLASSNOTREG);
}

TEST(Regsvr, RegistersAndUnregistersTheRealLibrary)
{
    RegistryScope registry;
    const std::string tool = std::string(REGSVR_PATH) + " ";
    const std::string quiet = " >/dev/null 2>&1";
    ASSERT_EQ(run(tool + CORVELCTL_PATH + quiet), 0);
    EXPECT_EQ(value("AstrelBLE.Corvel\\CurVer"), "AstrelBLE.Corvel.1");
    EXPECT_EQ(value("CLSID\\" + kClsid + "\\InprocServer32"), libraryPath());
    ASSERT_EQ(run(tool + "-u " + CORVELCTL_PATH + quiet), 0);
    EXPECT_FALSE(RegKeyExists("AstrelBLE.Corvel"));
    EXPECT_FALSE(RegKeyExists("CLSID\\" + kClsid));
    // A damaged registry file is reported, not overwritten.
    {
        std::filesystem::create_directories(Registry::location());
        FILE* f = std::fopen(Registry::filePath().c_str(), "wb");
        std::fputs("not a registry\n", f);
        std::fclose(f);
    }
    EXPECT_EQ(run(tool + CORVELCTL_PATH + quiet), 1);
}
