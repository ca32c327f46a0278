// The contract of ICorvel through the real library, created by class and called by
// DISPID: names, types, access, the design-time and read-only rules, the index checks of an
// empty tree, every error form with its help context, and the methods that need a stack.
#include "tests/corvel/corvel_support.h"

#include "corvel/com/corvel_ids.h"
#include "platform/com/errorinfo.h"
#include "platform/com/exports.h"

#include <chrono>
#include <dlfcn.h>

using namespace corveltest;

namespace {

constexpr uint32_t kReadOnly = 0x800A017Fu;
constexpr uint32_t kDesignTime = 0x800A018Au;
constexpr uint32_t kBadIndex = 0x800A017Du;
constexpr const char* kNotConnected = "You must be connected to a server to perform the requested action.";

enum class Access { Get, GetPut };
struct PropertyRow {
    DISPID dispid;
    const char* name;
    VARTYPE type;      // VT_EMPTY for the two byte-array properties (Empty outside their events)
    const char* index; // "" or the family of the index: "Service", "Characteristic", "Descriptor"
    Access access;
};

// Written out again here, from the interface's own table, so that a slip in the library's
// member table shows.
const PropertyRow kProperties[] = {
    {1, "ActiveScanning", VT_BOOL, "", Access::GetPut},
    {2, "Characteristic", VT_BSTR, "", Access::GetPut},
    {3, "CharacteristicCount", VT_I2, "", Access::GetPut},
    {4, "CharacteristicCanSubscribe", VT_BOOL, "Characteristic", Access::Get},
    {5, "CharacteristicDescription", VT_BSTR, "Characteristic", Access::Get},
    {6, "CharacteristicFlags", VT_I2, "Characteristic", Access::Get},
    {7, "CharacteristicId", VT_BSTR, "Characteristic", Access::Get},
    {8, "CharacteristicUserDescription", VT_BSTR, "Characteristic", Access::GetPut},
    {9, "CharacteristicUuid", VT_BSTR, "Characteristic", Access::Get},
    {10, "CharacteristicValueExponent", VT_I2, "Characteristic", Access::Get},
    {11, "CharacteristicValueFormat", VT_I4, "Characteristic", Access::Get},
    {12, "CharacteristicValueFormatCount", VT_I2, "Characteristic", Access::Get},
    {13, "CharacteristicValueFormatIndex", VT_I2, "Characteristic", Access::GetPut},
    {14, "CharacteristicValueUnit", VT_BSTR, "Characteristic", Access::Get},
    {15, "DescriptorCount", VT_I2, "", Access::Get},
    {16, "DescriptorDescription", VT_BSTR, "Descriptor", Access::Get},
    {17, "DescriptorId", VT_BSTR, "Descriptor", Access::Get},
    {18, "DescriptorUuid", VT_BSTR, "Descriptor", Access::Get},
    {19, "Scanning", VT_BOOL, "", Access::Get},
    {20, "ServerId", VT_BSTR, "", Access::Get},
    {21, "ServerName", VT_BSTR, "", Access::Get},
    {22, "Service", VT_BSTR, "", Access::GetPut},
    {23, "ServiceCount", VT_I2, "", Access::Get},
    {24, "ServiceDescription", VT_BSTR, "Service", Access::Get},
    {25, "ServiceId", VT_BSTR, "Service", Access::Get},
    {26, "ServiceIncludedSvcIds", VT_BSTR, "Service", Access::Get},
    {27, "ServiceParentSvcIds", VT_BSTR, "Service", Access::Get},
    {28, "ServiceUuid", VT_BSTR, "Service", Access::Get},
    {29, "Timeout", VT_I2, "", Access::GetPut},
    {30, "AdvertisementManufacturerDataB", VT_EMPTY, "", Access::Get},
    {31, "ValueValueB", VT_EMPTY, "", Access::Get},
};

struct MethodRow {
    DISPID dispid;
    const char* name;
    std::vector<Variant> args;   // a valid argument list
    bool needsServer;
};

std::vector<MethodRow> methods()
{
    return {
        {502, "CheckCharacteristicSubscribed", {I2(0)}, true},
        {503, "Config", {Str("LogLevel")}, false},
        {504, "Connect", {Str("")}, false},
        {505, "Disconnect", {}, false},
        {506, "Discover", {Str(""), Str(""), Bool(false), Str("")}, true},
        {507, "DiscoverCharacteristics", {Str("001000000000"), Str("")}, true},
        {508, "DiscoverDescriptors", {Str("001000000000"), Str("001000120000")}, true},
        {509, "DiscoverServices", {Str(""), Str("")}, true},
        {510, "DoEvents", {}, false},
        {511, "PostValue", {Str("001000000000"), Str("001000120000"), Str("x")}, true},
        {512, "QueryCharacteristicCachedVal", {I2(0)}, true},
        {513, "QueryDescriptorCachedVal", {I2(0)}, true},
        {514, "ReadValue", {Str("001000000000"), Str("001000120000"), Str("")}, true},
        {515, "Select", {Str("001000000000"), Str("")}, true},
        {516, "StartScanning", {Str("")}, false},
        {517, "StopScanning", {}, false},
        {518, "Subscribe", {Str("001000000000"), Str("001000120000")}, true},
        {519, "Unsubscribe", {Str(""), Str("")}, true},
        {520, "WriteValue", {Str("001000000000"), Str("001000120000"), Str(""), Str("x")}, true},
        {-552, "AboutBox", {}, false},
        {1610743892, "OnStartPage", {Variant()}, false},
        {1610743893, "OnEndPage", {}, false},
    };
}

class Interface : public ::testing::Test {
protected:
    void SetUp() override
    {
        control = createControl();
        ASSERT_TRUE(control);
    }
    RegistryScope registry;   // empty: the library beside the test executable is used
    Control control;
};

std::string lastError(const Control& c) { return c.config("LastError"); }

} // namespace

TEST_F(Interface, EveryMemberAnswersToItsNameInAnyCase)
{
    for (const PropertyRow& p : kProperties) {
        EXPECT_EQ(control.id(p.name), p.dispid) << p.name;
        std::string upper = p.name;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(control.id(upper.c_str()), p.dispid) << upper;
    }
    for (const MethodRow& m : methods())
        EXPECT_EQ(control.id(m.name), m.dispid) << m.name;
    EXPECT_EQ(control.id("NoSuchMember"), DISPID_UNKNOWN);

    // Parameter names are not published, so a second name fails the call.
    const OLECHAR* names[] = {u"Config", u"ConfigurationString"};
    DISPID ids[2] = {0, 0};
    EXPECT_EQ(control.get()->GetIDsOfNames(IID_NULL, names, 2, 0x400, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 503);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
}

TEST_F(Interface, PropertiesOfANewControlHaveTheirTypesAndDefaults)
{
    for (const PropertyRow& p : kProperties) {
        if (*p.index)
            continue;
        const Outcome o = control.get(p.name);
        ASSERT_TRUE(o.ok()) << p.name << ": " << o.description;
        EXPECT_EQ(o.value.vt, p.type) << p.name;
    }
    EXPECT_EQ(control.get("ActiveScanning").number(), VARIANT_FALSE);
    EXPECT_EQ(control.get("Scanning").number(), VARIANT_FALSE);
    EXPECT_EQ(control.get("Timeout").number(), 60);
    EXPECT_EQ(control.get("ServiceCount").number(), 0);
    EXPECT_EQ(control.get("CharacteristicCount").number(), 0);
    EXPECT_EQ(control.get("DescriptorCount").number(), 0);
    for (const char* text : {"Characteristic", "Service", "ServerId", "ServerName"})
        EXPECT_EQ(control.get(text).text(), "") << text;
    EXPECT_EQ(lastError(control), "");
    EXPECT_EQ(control.config("CodePage"), "65001");
}

TEST_F(Interface, IndexedPropertiesOfAnEmptyTreeFailWithTheIndexError)
{
    for (const PropertyRow& p : kProperties) {
        if (!*p.index)
            continue;
        for (int32_t index : {0, -1, 1000000}) {
            const Outcome o = control.get(p.name, {I4(index)});
            ASSERT_EQ(o.hr, DISP_E_EXCEPTION) << p.name;
            EXPECT_EQ(static_cast<uint32_t>(o.scode), kBadIndex) << p.name;
            EXPECT_EQ(o.description, "Invalid array index.");
            EXPECT_EQ(o.source, "AstrelBLE.Corvel.1");
            EXPECT_EQ(o.helpContext, 24000u + static_cast<uint32_t>(p.dispid)) << p.name;
            EXPECT_EQ(lastError(control), "Invalid " + std::string(p.index) + "Index (out of bounds).") << p.name;
        }
    }
    // The index may come as any integer type or as digits.
    EXPECT_EQ(static_cast<uint32_t>(control.get("ServiceId", {I2(0)}).scode), kBadIndex);
    EXPECT_EQ(static_cast<uint32_t>(control.get("ServiceId", {Str("3")}).scode), kBadIndex);
    EXPECT_EQ(control.get("ServiceId", {Str("three")}).hr, DISP_E_TYPEMISMATCH);
}

TEST_F(Interface, PutAccessorsOfReadOnlyPropertiesFail)
{
    for (const PropertyRow& p : kProperties) {
        if (p.access != Access::Get)
            continue;
        const Outcome o = *p.index ? control.putAt(p.name, I4(0), Str("x")) : control.put(p.name, Str("x"));
        ASSERT_EQ(o.hr, DISP_E_EXCEPTION) << p.name;
        EXPECT_EQ(static_cast<uint32_t>(o.scode), kReadOnly) << p.name;
        EXPECT_EQ(o.description, "Property is read-only.");
        const uint32_t context = p.dispid == 30 ? 34000u : p.dispid == 31 ? 34001u : 24000u + p.dispid;
        EXPECT_EQ(o.helpContext, context) << p.name;
    }
}

TEST_F(Interface, AtDesignTimeOnlyTimeoutAnswers)
{
    Site site(control);
    site.design(true);
    for (const PropertyRow& p : kProperties) {
        std::vector<Variant> index;
        if (*p.index)
            index.push_back(I4(0));
        const Outcome get = control.get(p.name, index);
        Outcome put = *p.index ? control.putAt(p.name, I4(0), I2(1)) : control.put(p.name, I2(1));
        if (p.dispid == 29) {
            EXPECT_TRUE(get.ok());
            EXPECT_TRUE(put.ok());
            continue;
        }
        EXPECT_EQ(static_cast<uint32_t>(get.scode), kDesignTime) << p.name;
        EXPECT_EQ(get.description, "Property is runtime only (no supported in design time).");
        EXPECT_EQ(static_cast<uint32_t>(put.scode), kDesignTime) << p.name;
        const uint32_t context = p.dispid == 30 ? 34000u : p.dispid == 31 ? 34001u : 24000u + p.dispid;
        EXPECT_EQ(get.helpContext, context) << p.name;
    }
    EXPECT_EQ(control.get("Timeout").number(), 1);
    // Methods are not bound to run time.
    EXPECT_EQ(control.config("LogLevel"), "1");
    site.design(false);
    EXPECT_TRUE(control.get("ServiceCount").ok());
}

TEST_F(Interface, AGetWithoutAPlaceForItsValueDoesNothing)
{
    DISPPARAMS index{nullptr, nullptr, 0, 0};
    Variant i = I4(99);
    index.rgvarg = &i;
    index.cArgs = 1;
    EXPECT_EQ(control.get()->Invoke(25, IID_NULL, 0x400, DISPATCH_PROPERTYGET, &index, nullptr, nullptr, nullptr),
              S_OK);
    Site site(control);
    site.design(true);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(control.get()->Invoke(23, IID_NULL, 0x400, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(lastError(control), "");
}

TEST_F(Interface, MethodsThatNeedAServerFailWith605AndTheirHelpContext)
{
    for (const MethodRow& m : methods()) {
        if (!m.needsServer)
            continue;
        const Outcome o = control.invoke(m.dispid, DISPATCH_METHOD, m.args);
        ASSERT_EQ(o.hr, DISP_E_EXCEPTION) << m.name;
        EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A507Eu) << m.name;
        EXPECT_EQ(o.description, kNotConnected) << m.name;
        EXPECT_EQ(o.helpContext, 44000u + static_cast<uint32_t>(m.dispid - 501)) << m.name;
        EXPECT_EQ(lastError(control), kNotConnected);
    }
    // The connection comes before the arguments, and before the index checks.
    EXPECT_EQ(control.call("ReadValue", {Str(""), Str(""), Str("")}).description, kNotConnected);
    EXPECT_EQ(control.call("Select", {Str(""), Str("X")}).description, kNotConnected);
    EXPECT_EQ(control.call("Discover", {Str("not a uuid"), Str(""), Bool(true), Str("")}).description,
              kNotConnected);
    EXPECT_EQ(control.call("CheckCharacteristicSubscribed", {I2(-1)}).description, kNotConnected);
}

TEST_F(Interface, MethodsThatNeedNoServer)
{
    for (const MethodRow& m : methods()) {
        if (m.needsServer || m.dispid == 516)
            continue;
        const Outcome o = control.invoke(m.dispid, DISPATCH_METHOD, m.args);
        EXPECT_TRUE(o.ok()) << m.name << ": " << o.description;
    }
    // Scanning needs an adapter; a malformed filter is refused before anything is asked.
    Outcome o = control.call("StartScanning", {Str("180F,zz")});
    EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A5079u);
    EXPECT_EQ(o.description, "UUIDs hexadecimal strings must represent either 16-, 32-, or 128-bit values.");
    EXPECT_EQ(o.helpContext, 44015u);
    o = control.call("StartScanning", {Str("180F")});
    EXPECT_EQ(static_cast<uint32_t>(o.scode), static_cast<uint32_t>(corvel::hresultForError(613)));
    // BlueZ names why it cannot be used (here: no Qt application, or no system bus).
    EXPECT_EQ(o.description.rfind("Bluetooth is not available: ", 0), 0u) << o.description;
    EXPECT_EQ(control.get("Scanning").number(), VARIANT_FALSE);

    // One wait step without a stack is an idle wait of at most SelectWaitMillis.
    control.config("SelectWaitMillis=5");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(control.call("DoEvents").ok());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST_F(Interface, ConnectWithoutAStackFailsAndSaysSoInItsEvents)
{
    Sink sink(control);
    EXPECT_TRUE(control.call("Connect", {Str("   ")}).ok());   // nothing to do
    EXPECT_TRUE(sink->calls.empty());

    Outcome o = control.call("Connect", {Str("00112233445")});
    EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A4EEBu);   // 202
    EXPECT_EQ(o.description, "Server ID \"00112233445\" is not an address of 12 hexadecimal digits.");
    EXPECT_EQ(control.call("Connect", {Str("00112233445G")}).scode, corvel::hresultForError(202));

    o = control.call("Connect", {Str("  001122aabbcc  ")});
    EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A507Du);   // 604
    const std::string text = "Connection to server ID 001122AABBCC was unsuccessful.";
    EXPECT_EQ(o.description, text);
    EXPECT_EQ(o.helpContext, 44003u);
    // The stack's reason (BlueZ without a system bus here) is logged, then the failure, then Connected.
    ASSERT_EQ(sink->calls.size(), 3u);
    EXPECT_EQ(sink->calls[0].dispid, 6);
    EXPECT_EQ(sink->calls[0].values.at(1).rfind("\"Bluetooth is not available: ", 0), 0u) << sink->calls[0].values.at(1);
    EXPECT_EQ(sink->calls[1].dispid, 6);
    EXPECT_EQ(sink->calls[1].values, (std::vector<std::string>{"1", "\"" + text + "\"", "\"Connection\""}));
    EXPECT_EQ(sink->calls[2].dispid, 2);
    EXPECT_EQ(sink->calls[2].values, (std::vector<std::string>{"604", "\"" + text + "\""}));
    EXPECT_EQ(control.get("ServerId").text(), "");
    EXPECT_EQ(lastError(control), text);
}

TEST_F(Interface, TimeoutAndActiveScanningProperties)
{
    EXPECT_TRUE(control.put("Timeout", I2(32767)).ok());
    EXPECT_EQ(control.get("Timeout").number(), 32767);
    EXPECT_EQ(control.put("Timeout", I4(32768)).hr, DISP_E_OVERFLOW);   // the property is 16-bit
    EXPECT_EQ(control.get("Timeout").number(), 32767);
    EXPECT_TRUE(control.put("Timeout", I2(-5)).ok());
    EXPECT_EQ(control.get("Timeout").number(), -5);
    EXPECT_TRUE(control.put("Timeout", Str("60")).ok());
    control.config("TimeoutInMilliseconds=True");
    EXPECT_EQ(control.get("Timeout").number(), 60);   // now 60 ms

    EXPECT_TRUE(control.put("ActiveScanning", Bool(true)).ok());
    EXPECT_EQ(control.get("ActiveScanning").number(), VARIANT_TRUE);
    EXPECT_TRUE(control.put("ActiveScanning", I2(0)).ok());
    EXPECT_EQ(control.get("ActiveScanning").number(), VARIANT_FALSE);
}

TEST_F(Interface, SelectionWithoutATree)
{
    Outcome o = control.put("Characteristic", Str("001000120000"));
    EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A507Bu);
    EXPECT_EQ(o.description, "You must select a service before selecting a characteristic.");
    EXPECT_EQ(o.helpContext, 24002u);
    o = control.put("Service", Str("001000000000"));
    EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A507Au);
    EXPECT_EQ(o.description, "No service with the ID \"001000000000\" has been discovered.");
    EXPECT_TRUE(control.put("Service", Str("")).ok());
    EXPECT_TRUE(control.put("Characteristic", Str("")).ok());
    EXPECT_TRUE(control.put("CharacteristicCount", I2(5)).ok());   // no service: nothing to resize
    EXPECT_EQ(control.get("CharacteristicCount").number(), 0);
}

TEST_F(Interface, CallFormErrors)
{
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    Variant r;
    EXPECT_EQ(control.get()->Invoke(503, IID_NULL, 0x400, DISPATCH_METHOD, &none, &r, nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(control.get()->Invoke(25, IID_NULL, 0x400, DISPATCH_PROPERTYGET, &none, &r, nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(control.get()->Invoke(777, IID_NULL, 0x400, DISPATCH_METHOD, &none, &r, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(control.get()->Invoke(23, IID_IDispatch, 0x400, DISPATCH_PROPERTYGET, &none, &r, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    Variant arg = Str("LogLevel");
    DISPID named = 0;
    DISPPARAMS withName{&arg, &named, 1, 1};
    EXPECT_EQ(control.get()->Invoke(503, IID_NULL, 0x400, DISPATCH_METHOD, &withName, &r, nullptr, nullptr),
              DISP_E_NONAMEDARGS);
    // A method called as a property get still runs (as late-bound callers do).
    DISPPARAMS one{&arg, nullptr, 1, 0};
    EXPECT_EQ(control.get()->Invoke(503, IID_NULL, 0x400, DISPATCH_PROPERTYGET, &one, &r, nullptr, nullptr), S_OK);
    EXPECT_EQ(BstrToUtf8(r.bstrVal), "1");
    // By-reference arguments are read through.
    BSTR text = SysAllocString(u"LogLevel");
    Variant byRef;
    byRef.vt = VT_BYREF | VT_BSTR;
    byRef.pbstrVal = &text;
    DISPPARAMS ref{&byRef, nullptr, 1, 0};
    VariantClear(&r);   // an out value is the caller's to free before it is used again
    EXPECT_EQ(control.get()->Invoke(503, IID_NULL, 0x400, DISPATCH_METHOD, &ref, &r, nullptr, nullptr), S_OK);
    EXPECT_EQ(BstrToUtf8(r.bstrVal), "1");
    SysFreeString(text);
}

// Nothing thrown below a call may unwind into the host; out of memory keeps its own code.
TEST(InterfaceFailures, ThrownFailuresBecomeTheCallsError)
{
    FakeSetup fake;
    makeFake(fake, sampleDevice(), false);
    fake.device.onConnect = [] { throw std::bad_alloc(); };
    Outcome o = fake.control.call("Connect", {Str("001122AABBCC")});
    EXPECT_EQ(static_cast<uint32_t>(o.scode), 0x800A0007u);
    EXPECT_EQ(o.description, "Out of memory.");
    EXPECT_EQ(fake.link->core().lastErrorCode(), 200);
    EXPECT_EQ(fake.control.config("LastError"), "Out of memory.");

    fake.device.onConnect = [] { throw 42; };
    o = fake.control.call("Connect", {Str("001122AABBCC")});
    EXPECT_EQ(o.scode, E_UNEXPECTED);
    EXPECT_EQ(o.description, "Internal error.");
    // The control still answers.
    fake.device.onConnect = nullptr;
    EXPECT_TRUE(fake.control.call("Connect", {Str("001122AABBCC")}).ok());
}

TEST_F(Interface, WithoutExcepInfoTheErrorInformationStaysForTheCaller)
{
    Variant arg = Str("NoSuchSetting");
    DISPPARAMS one{&arg, nullptr, 1, 0};
    Variant r;
    SetErrorInfo(0, nullptr);
    const HRESULT hr = control.get()->Invoke(503, IID_NULL, 0x400, DISPATCH_METHOD, &one, &r, nullptr, nullptr);
    EXPECT_EQ(static_cast<uint32_t>(hr), 0x800A4E20u);
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    BStr description, source;
    GUID guid;
    uint32_t context = 0;
    info->GetDescription(description.out());
    info->GetSource(source.out());
    info->GetGUID(&guid);
    info->GetHelpContext(&context);
    info->Release();
    EXPECT_EQ(description.utf8(), "Unknown config setting.");
    EXPECT_EQ(source.utf8(), "AstrelBLE.Corvel.1");
    EXPECT_EQ(GuidToString(guid), "{86800401-F789-11CE-86F8-0020AFD8C6DB}");
    EXPECT_EQ(context, 44002u);

    // A successful call leaves no stale error information behind.
    SetErrorInfoFields(IID_IDispatch, u"old", u"old", u"", 0);
    Variant ok = Str("LogLevel");
    DISPPARAMS good{&ok, nullptr, 1, 0};
    EXPECT_EQ(control.get()->Invoke(503, IID_NULL, 0x400, DISPATCH_METHOD, &good, &r, nullptr, nullptr), S_OK);
    EXPECT_EQ(GetErrorInfo(0, &info), S_FALSE);
}

TEST_F(Interface, InterfacesOfTheObject)
{
    IUnknown* u = nullptr;
    for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &corvel::IID_ICorvel, &IID_IConnectionPointContainer,
                           &IID_ISupportErrorInfo, &IID_IObjectWithSiteLite, &IID_IProvideEventNames}) {
        ASSERT_EQ(control.get()->QueryInterface(*iid, reinterpret_cast<void**>(&u)), S_OK) << GuidToString(*iid);
        u->Release();
    }
    EXPECT_EQ(control.get()->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&u)), E_NOINTERFACE);
    EXPECT_EQ(u, nullptr);

    ISupportErrorInfo* support = nullptr;
    control.get()->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support));
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(corvel::IID_ICorvel), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IClassFactory), S_FALSE);
    support->Release();

    IConnectionPointContainer* container = nullptr;
    control.get()->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    IConnectionPoint* point = nullptr;
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &point), CONNECT_E_NOCONNECTION);
    ASSERT_EQ(container->FindConnectionPoint(corvel::DIID__ICorvelEvents, &point), S_OK);
    IID iid;
    point->GetConnectionInterface(&iid);
    EXPECT_EQ(GuidToString(iid), "{86800402-F789-11CE-86F8-0020AFD8C6DB}");
    point->Release();
    container->Release();

    IProvideEventNames* names = nullptr;
    control.get()->QueryInterface(IID_IProvideEventNames, reinterpret_cast<void**>(&names));
    const char* expected[] = {"Advertisement", "Connected", "Disconnected", "Discovered", "Error",
                              "Log", "PairingRequest", "ServerUpdate", "StartScan", "StopScan",
                              "Subscribed", "Unsubscribed", "Value", "WriteResponse"};
    for (DISPID id = 1; id <= 14; ++id) {
        BStr name;
        ASSERT_EQ(names->GetEventName(id, name.out()), S_OK);
        EXPECT_EQ(name.utf8(), expected[id - 1]);
    }
    BStr none;
    EXPECT_EQ(names->GetEventName(15, none.out()), DISP_E_MEMBERNOTFOUND);
    names->Release();
}

TEST_F(Interface, AboutBoxAndTheServerPageHooks)
{
    {
        Site site(control);
        std::u16string title, text;
        site.get()->setMessageHandler([&](const std::u16string& t, const std::u16string& m) {
            title = t;
            text = m;
        });
        EXPECT_TRUE(control.call("AboutBox").ok());
        EXPECT_EQ(title, u"About Corvel");
        EXPECT_NE(text.find(u"Corvel Bluetooth LE GATT Client Control"), std::u16string::npos);
    }
    EXPECT_TRUE(control.call("AboutBox").ok());   // no site: the text goes to standard error

    IUnknown* page = nullptr;
    control.get()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&page));
    Variant unk;
    unk.vt = VT_UNKNOWN;
    unk.punkVal = page;   // the Variant releases it
    EXPECT_TRUE(control.call("OnStartPage", {unk}).ok());
    EXPECT_TRUE(control.call("OnStartPage", {Variant()}).ok());
    EXPECT_EQ(control.call("OnStartPage", {Str("page")}).hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(control.call("OnStartPage").hr, DISP_E_BADPARAMCOUNT);
    EXPECT_TRUE(control.call("OnEndPage").ok());
}

TEST_F(Interface, TheLibraryStaysLoadedWhileObjectsLive)
{
    void* h = ::dlopen(CORVELCTL_PATH, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(h, nullptr);   // loaded by the activation of this test's control
    auto canUnload = reinterpret_cast<PFN_DllCanUnloadNow>(::dlsym(h, "DllCanUnloadNow"));
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), S_FALSE);
    control.reset();
    EXPECT_EQ(canUnload(), S_OK);

    auto getClass = reinterpret_cast<PFN_DllGetClassObject>(::dlsym(h, "DllGetClassObject"));
    IClassFactory* factory = nullptr;
    EXPECT_EQ(getClass(IID_IDispatch, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(getClass(corvel::CLSID_Corvel, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(canUnload(), S_FALSE);   // the factory holds the server
    factory->LockServer(1);
    factory->Release();
    EXPECT_EQ(canUnload(), S_FALSE);
    getClass(corvel::CLSID_Corvel, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    factory->LockServer(0);
    IUnknown* outer = reinterpret_cast<IUnknown*>(factory);
    IUnknown* object = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, reinterpret_cast<void**>(&object)),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, reinterpret_cast<void**>(&object)),
              E_NOINTERFACE);
    factory->Release();
    EXPECT_EQ(canUnload(), S_OK);
    ::dlclose(h);
}
