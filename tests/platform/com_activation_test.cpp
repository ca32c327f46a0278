// Activation through the registry and registration-free, with the test server library,
// and the registration tool.
#include "platform/com/activation.h"
#include "platform/com/errorinfo.h"
#include "platform/com/exports.h"
#include "platform/com/registry.h"
#include "tests/platform/com_fake_control.h"
#include "tests/platform/com_test_util.h"

#include <dlfcn.h>
#include <sys/wait.h>

using comtest::CLSID_FakeControl;
using comtest::RegistryFixture;

namespace {

// Runs DllRegisterServer / DllUnregisterServer of the test server in this process.
HRESULT callServer(const char* entry)
{
    void* h = ::dlopen(COM_TEST_SERVER_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!h)
        return CO_E_DLLNOTFOUND;
    auto fn = reinterpret_cast<PFN_DllRegisterServer>(::dlsym(h, entry));
    return fn ? fn() : CO_E_ERRORINDLL;
}

int run(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string nameOf(IUnknown* object)
{
    IDispatch* d = nullptr;
    if (FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d))))
        return {};
    DISPPARAMS none {nullptr, nullptr, 0, 0};
    Variant r;
    d->Invoke(comtest::kName, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &r, nullptr, nullptr);
    d->Release();
    return r.vt == VT_BSTR ? BstrToUtf8(r.bstrVal) : std::string();
}

} // namespace

TEST_F(RegistryFixture, RegistrationRoundTripAndActivationByProgId)
{
    ASSERT_EQ(callServer("DllRegisterServer"), S_OK);
    std::string path, model;
    const std::string key = "CLSID\\" + GuidToString(CLSID_FakeControl) + "\\InprocServer32";
    ASSERT_EQ(RegGetValue(key, "", path), S_OK);
    EXPECT_NE(path.find("com_test_server"), std::string::npos);
    EXPECT_EQ(path.front(), '/');
    ASSERT_EQ(RegGetValue(key, "ThreadingModel", model), S_OK);
    EXPECT_EQ(model, "Apartment");

    // The version-independent ProgID has only a CurVer.
    CLSID clsid = GUID_NULL;
    ASSERT_EQ(CLSIDFromProgID(u"corveltest.fake", &clsid), S_OK);
    EXPECT_TRUE(clsid == CLSID_FakeControl);
    ASSERT_EQ(CLSIDFromProgID(u"CorvelTest.Fake.1", &clsid), S_OK);
    EXPECT_EQ(CLSIDFromProgID(u"No.Such.Thing", &clsid), CO_E_CLASSSTRING);

    IUnknown* object = nullptr;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&object)),
              S_OK);
    EXPECT_EQ(nameOf(object), "fake");
    object->Release();

    ASSERT_EQ(callServer("DllUnregisterServer"), S_OK);
    EXPECT_FALSE(RegKeyExists("CLSID\\" + GuidToString(CLSID_FakeControl)));
    EXPECT_FALSE(RegKeyExists("CorvelTest.Fake"));
    EXPECT_EQ(CLSIDFromProgID(u"CorvelTest.Fake", &clsid), CO_E_CLASSSTRING);
    EXPECT_TRUE(FAILED(CoCreateInstance(CLSID_FakeControl, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                        reinterpret_cast<void**>(&object))));
    EXPECT_EQ(object, nullptr);
}

TEST_F(RegistryFixture, CurVerLoopsEnd)
{
    RegSetKeyValue("Loop.A\\CurVer", "", "Loop.B");
    RegSetKeyValue("Loop.B\\CurVer", "", "Loop.A");
    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(u"Loop.A", &clsid), CO_E_CLASSSTRING);
    RegSetKeyValue("Broken\\CLSID", "", "not a guid");
    EXPECT_EQ(CLSIDFromProgID(u"Broken", &clsid), CO_E_CLASSSTRING);
}

TEST_F(RegistryFixture, RegistrationFreeByFileAndByFolder)
{
    IUnknown* object = nullptr;
    ::setenv("CORVEL_LIBRARY_PATH", COM_TEST_SERVER_PATH, 1);
    ASSERT_EQ(CoCreateInstance(CLSID_FakeControl, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&object)),
              S_OK);
    object->Release();

    // A folder holding libcorvelctl.so, as beside an executable.
    comtest::TempDir folder;
    std::filesystem::copy_file(COM_TEST_SERVER_PATH, folder.path() + "/libcorvelctl.so");
    ::setenv("CORVEL_LIBRARY_PATH", (folder.path() + "/").c_str(), 1);
    ASSERT_EQ(CoCreateInstance(CLSID_FakeControl, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&object)),
              S_OK);
    object->Release();

    // The control's ProgIDs are known without a registry.
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(u"AstrelBLE.Corvel", &clsid), S_OK);
    EXPECT_EQ(GuidToString(clsid), "{86800400-F789-11CE-86F8-0020AFD8C6DB}");
}

TEST_F(RegistryFixture, StaleRegistrationFallsThroughAndFailuresExplainThemselves)
{
    const std::string key = "CLSID\\" + GuidToString(CLSID_FakeControl) + "\\InprocServer32";
    RegSetKeyValue(key, "", "/nonexistent/libgone.so");
    IUnknown* object = nullptr;
    SetErrorInfo(0, nullptr);
    const HRESULT hr = CoCreateInstance(CLSID_FakeControl, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                        reinterpret_cast<void**>(&object));
    ASSERT_TRUE(FAILED(hr));
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    BStr d;
    info->GetDescription(d.out());
    info->Release();
    EXPECT_NE(d.utf8().find("libgone.so"), std::string::npos) << d.utf8();

    ::setenv("CORVEL_LIBRARY_PATH", COM_TEST_SERVER_PATH, 1);
    ASSERT_EQ(CoCreateInstance(CLSID_FakeControl, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&object)),
              S_OK);
    object->Release();

    EXPECT_EQ(CoCreateInstance(CLSID_FakeControl, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&object)),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);

    // Aggregation is the factory's to refuse; the outer object must be a live one.
    IUnknown* outer = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_FakeControl, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&outer)),
              S_OK);
    IUnknown* inner = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_FakeControl, outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&inner)),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(inner, nullptr);
    outer->Release();
}

TEST(ComActivation, ClsidStringsAndModulePaths)
{
    CLSID c;
    EXPECT_EQ(CLSIDFromString(u"{86800400-F789-11CE-86F8-0020AFD8C6DB}", &c), S_OK);
    EXPECT_EQ(CLSIDFromString(u"86800400-F789-11CE-86F8-0020AFD8C6DB", &c), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromString(u"{nonsense}", &c), CO_E_CLASSSTRING);
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    CoUninitialize();
    EXPECT_FALSE(ExecutableFolder().empty());
    EXPECT_NE(ModulePathFromAddress(reinterpret_cast<const void*>(&CoCreateInstance)).find("libzenu_com.so"),
              std::string::npos);
}

TEST_F(RegistryFixture, RegsvrToolRegistersAndUnregisters)
{
    const std::string tool = std::string(REGSVR_PATH) + " ";
    const std::string quiet = " >/dev/null 2>&1";
    EXPECT_EQ(run(tool + COM_TEST_SERVER_PATH + quiet), 0);
    EXPECT_TRUE(RegKeyExists("CorvelTest.Fake.1\\CLSID"));
    EXPECT_EQ(run(tool + "-u " + COM_TEST_SERVER_PATH + quiet), 0);
    EXPECT_FALSE(RegKeyExists("CorvelTest.Fake.1"));
    EXPECT_EQ(run(tool + "/nonexistent/lib.so" + quiet), 1);
    EXPECT_EQ(run(tool + "/bin/sh" + quiet), 1);   // not a library (or none of our entry points)
    EXPECT_EQ(run(std::string(REGSVR_PATH) + quiet), 2);
    EXPECT_EQ(run(tool + "-x lib.so" + quiet), 2);
}
