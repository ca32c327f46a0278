// Late-bound calls, error information, events to several sinks and the host's site,
// against the fake control linked into the test.
#include "platform/com/dispatch_helpers.h"
#include "platform/com/errorinfo.h"
#include "platform/com/host_site.h"
#include "tests/platform/com_fake_control.h"

#include <gtest/gtest.h>

#include <vector>

using namespace comtest;

namespace {

struct Fixture : ::testing::Test {
    void SetUp() override { control = new FakeControl(); }
    void TearDown() override { control->Release(); }

    HRESULT invoke(DISPID id, uint16_t flags, std::vector<Variant> args, Variant* result, EXCEPINFO* ei = nullptr)
    {
        std::vector<Variant> reversed(args.rbegin(), args.rend());
        DISPID put = DISPID_PROPERTYPUT;
        DISPPARAMS p {reversed.empty() ? nullptr : static_cast<VARIANT*>(reversed.data()), nullptr,
                      static_cast<uint32_t>(reversed.size()), 0};
        if (flags == DISPATCH_PROPERTYPUT) {
            p.rgdispidNamedArgs = &put;
            p.cNamedArgs = 1;
        }
        return control->Invoke(id, IID_NULL, 0x400, flags, &p, result, ei, nullptr);
    }

    FakeControl* control = nullptr;
};

struct Recorded {
    DISPID id;
    std::vector<VARTYPE> types;
    std::u16string text;
    int16_t number;
    VARIANT_BOOL flag;
};

} // namespace

TEST_F(Fixture, NamesResolveWithoutRegardToCase)
{
    const OLECHAR* names[] = {u"rEaDoNlY"};
    DISPID id = 0;
    ASSERT_EQ(control->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, kReadOnly);
    const OLECHAR* unknown[] = {u"Nope"};
    EXPECT_EQ(control->GetIDsOfNames(IID_NULL, unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
}

TEST_F(Fixture, GetPutIndexAndConversions)
{
    Variant r;
    ASSERT_EQ(invoke(kName, DISPATCH_PROPERTYPUT, {Variant::fromUtf8("abc")}, nullptr), S_OK);
    ASSERT_EQ(invoke(kName, DISPATCH_PROPERTYGET, {}, &r), S_OK);
    EXPECT_EQ(BstrToUtf8(r.bstrVal), "abc");
    ASSERT_EQ(invoke(kCount, DISPATCH_PROPERTYPUT, {Variant::fromUtf8("12")}, nullptr), S_OK);   // text -> I2
    ASSERT_EQ(invoke(kCount, DISPATCH_PROPERTYGET, {}, &r), S_OK);
    EXPECT_EQ(r.vt, VT_I2);
    EXPECT_EQ(r.iVal, 12);
    ASSERT_EQ(invoke(kItem, DISPATCH_PROPERTYGET, {Variant::fromI2(2)}, &r), S_OK);
    EXPECT_EQ(BstrToUtf8(r.bstrVal), "two");
    EXPECT_EQ(invoke(kCount, DISPATCH_PROPERTYPUT, {Variant::fromI4(40000)}, nullptr), DISP_E_OVERFLOW);
    EXPECT_EQ(invoke(kAdd, DISPATCH_METHOD, {Variant::fromI2(1)}, &r), DISP_E_PARAMNOTOPTIONAL);
    EXPECT_EQ(invoke(kAdd, DISPATCH_METHOD, {Variant::fromI4(INT32_MAX), Variant::fromI2(1)}, &r), DISP_E_OVERFLOW);
    const char16_t zeros[] = {u'a', 0, u'b'};
    ASSERT_EQ(invoke(kEcho, DISPATCH_METHOD, {Variant::fromU16(std::u16string(zeros, 3))}, &r), S_OK);
    EXPECT_EQ(BstrToU16(r.bstrVal), std::u16string(zeros, 3));
}

TEST_F(Fixture, FailuresCarryTheirDescriptionInExcepInfo)
{
    Variant r;
    EXCEPINFO ei {};
    ASSERT_EQ(invoke(kReadOnly, DISPATCH_PROPERTYPUT, {Variant::fromI2(1)}, nullptr, &ei), DISP_E_EXCEPTION);
    EXPECT_EQ(ei.scode, MakeCtlError(383));
    EXPECT_EQ(BstrToUtf8(ei.bstrDescription), "Property is read-only.");
    ClearExcepInfo(&ei);
    ASSERT_EQ(invoke(kItem, DISPATCH_PROPERTYGET, {Variant::fromI2(3)}, &r, &ei), DISP_E_EXCEPTION);
    EXPECT_EQ(static_cast<uint32_t>(ei.scode), 0x800A017Du);
    ClearExcepInfo(&ei);
    // Without an EXCEPINFO the caller gets the code and finds the text in the error information.
    EXPECT_EQ(invoke(kItem, DISPATCH_PROPERTYGET, {Variant::fromI2(-1)}, &r, nullptr), MakeCtlError(381));
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    info->Release();
}

TEST_F(Fixture, AmbientUserModeComesFromTheSite)
{
    HostSite* site = new HostSite();
    ASSERT_EQ(GiveSite(static_cast<IDispatch*>(control), site), S_OK);
    Variant r;
    ASSERT_EQ(invoke(kUserMode, DISPATCH_PROPERTYGET, {}, &r), S_OK);
    EXPECT_EQ(r.boolVal, VARIANT_TRUE);
    site->setUserMode(false);
    ASSERT_EQ(invoke(kUserMode, DISPATCH_PROPERTYGET, {}, &r), S_OK);
    EXPECT_EQ(r.boolVal, VARIANT_FALSE);
    EXCEPINFO ei {};
    ASSERT_EQ(invoke(kRuntimeOnly, DISPATCH_PROPERTYGET, {}, &r, &ei), DISP_E_EXCEPTION);
    EXPECT_EQ(static_cast<uint32_t>(ei.scode), 0x800A018Au);
    ClearExcepInfo(&ei);
    Variant other;
    EXPECT_EQ(site->GetAmbientProperty(-9999, &other), DISP_E_MEMBERNOTFOUND);
    GiveSite(static_cast<IDispatch*>(control), nullptr);
    site->Release();
}

TEST_F(Fixture, EventsReachEverySinkWithReferenceArguments)
{
    std::vector<Recorded> first, second;
    auto recorder = [](std::vector<Recorded>& into) {
        return [&into](DISPID id, DISPPARAMS* p) {
            Recorded r {id, {}, {}, 0, 0};
            for (uint32_t i = 0; i < p->cArgs; ++i)
                r.types.push_back(p->rgvarg[p->cArgs - 1 - i].vt);
            r.text = BstrToU16(*p->rgvarg[2].pbstrVal);
            r.number = *p->rgvarg[1].piVal;
            r.flag = *p->rgvarg[0].pboolVal;
            into.push_back(r);
        };
    };
    EventSink* s1 = new EventSink(IID_FakeEvents, recorder(first));
    EventSink* s2 = new EventSink(IID_FakeEvents, recorder(second));
    IConnectionPoint* p1 = nullptr;
    IConnectionPoint* p2 = nullptr;
    uint32_t c1 = 0, c2 = 0;
    ASSERT_EQ(AdviseSink(static_cast<IDispatch*>(control), IID_FakeEvents, s1, &p1, &c1), S_OK);
    ASSERT_EQ(AdviseSink(static_cast<IDispatch*>(control), IID_FakeEvents, s2, &p2, &c2), S_OK);
    EXPECT_NE(c1, c2);

    const char16_t withZero[] = {u'v', 0, u'w'};
    EXPECT_EQ(control->fire(kPing, std::u16string(withZero, 3), -3, true), 2);
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    for (const auto* rec : {&first[0], &second[0]}) {
        EXPECT_EQ(rec->id, kPing);
        EXPECT_EQ(rec->types, (std::vector<VARTYPE> {VT_BYREF | VT_BSTR, VT_BYREF | VT_I2, VT_BYREF | VT_BOOL}));
        EXPECT_EQ(rec->text, std::u16string(withZero, 3));
        EXPECT_EQ(rec->number, -3);
        EXPECT_EQ(rec->flag, VARIANT_TRUE);
    }

    ASSERT_EQ(p1->Unadvise(c1), S_OK);
    EXPECT_EQ(p1->Unadvise(c1), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(control->fire(kPing, u"x", 1, false), 1);
    EXPECT_EQ(first.size(), 1u);
    EXPECT_EQ(second.size(), 2u);
    p2->Unadvise(c2);
    p1->Release();
    p2->Release();
    s1->Release();
    s2->Release();
}

TEST_F(Fixture, SinkMayUnadviseItselfAndOthersDuringAnEvent)
{
    IConnectionPoint* point = nullptr;
    ASSERT_EQ(control->FindConnectionPoint(IID_FakeEvents, &point), S_OK);
    uint32_t c1 = 0, c2 = 0;
    int calls1 = 0, calls2 = 0;
    EventSink* s1 = new EventSink(IID_FakeEvents, [&](DISPID, DISPPARAMS*) {
        ++calls1;
        point->Unadvise(c1);
        point->Unadvise(c2);   // the second must then not be called
    });
    EventSink* s2 = new EventSink(IID_FakeEvents, [&](DISPID, DISPPARAMS*) { ++calls2; });
    ASSERT_EQ(point->Advise(s1, &c1), S_OK);
    ASSERT_EQ(point->Advise(s2, &c2), S_OK);
    s1->Release();   // the point holds the only references now
    s2->Release();
    EXPECT_EQ(control->fire(kPing, u"", 0, false), 1);
    EXPECT_EQ(calls1, 1);
    EXPECT_EQ(calls2, 0);

    // A sink without the event interface or IDispatch is refused.
    HostSite* notASink = new HostSite();
    uint32_t c3 = 7;
    EXPECT_EQ(point->Advise(notASink, &c3), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(c3, 0u);
    notASink->Release();
    IConnectionPoint* none = nullptr;
    EXPECT_EQ(control->FindConnectionPoint(IID_IDispatch, &none), CONNECT_E_NOCONNECTION);
    IConnectionPointContainer* back = nullptr;
    ASSERT_EQ(point->GetConnectionPointContainer(&back), S_OK);
    back->Release();
    point->Release();
}

TEST(ComHostSite, ShowsMessagesThroughItsHandler)
{
    HostSite* site = new HostSite();
    IHostUiLite* ui = nullptr;
    ASSERT_EQ(site->QueryInterface(IID_IHostUiLite, reinterpret_cast<void**>(&ui)), S_OK);
    EXPECT_EQ(ui->ShowMessage(u"Title", u"Text"), E_NOTIMPL);   // no handler: the caller shows it itself
    std::u16string seen;
    site->setMessageHandler([&](const std::u16string& title, const std::u16string& text) { seen = title + u"|" + text; });
    EXPECT_EQ(ui->ShowMessage(u"Title", u"Text"), S_OK);
    EXPECT_EQ(seen, u"Title|Text");
    EXPECT_EQ(ui->ShowMessage(nullptr, nullptr), S_OK);
    EXPECT_EQ(seen, u"|");
    IOleClientSiteLite* client = nullptr;
    ASSERT_EQ(ui->QueryInterface(IID_IOleClientSiteLite, reinterpret_cast<void**>(&client)), S_OK);
    client->Release();
    ui->Release();
    site->Release();
}
