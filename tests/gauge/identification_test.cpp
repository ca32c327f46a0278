// Model identification by name and serial, device pictures and the model profiles.
#include <gtest/gtest.h>

#include "gauge/device_picture.h"
#include "gauge/device_profiles.h"
#include "gauge/identification.h"
#include "gauge_support.h"

namespace zenu {
namespace {

struct Row {
    const char* name;
    const char* code;
    const char* kind;
    bool frameShown;
    std::optional<Rgb> colour;
    const char* branding;
};

TEST(IdentificationTest, EveryMarkerRow) {
    const Row rows[] = {
        {"QX 100", "QX", "SM", true, kFrameColourQX, ""},
        {"KESTA Lab", "QX", "SM", true, kFrameColourQX, "BrandA"},
        {"OKTA 2", "QX", "SM", true, std::nullopt, ""},
        {"Ferit 470", "WB2", "FC", true, kFrameColourWB, ""},
        {"VELTOR Razod", "JZ", "PM", true, std::nullopt, ""},
        {"PERM 1", "JZ", "PM", true, std::nullopt, "BrandB"},
        {"KV-4000", "KV4", "FM", true, kFrameColourKV, ""},
        {"FLUX 9", "XK", "MF", false, std::nullopt, ""},
        {"KV6000", "KV6", "FM", false, std::nullopt, ""},
        {"KV-8000", "KV8", "FM", false, std::nullopt, ""},
        {"Vrox 1", "KV8", "FM", false, std::nullopt, "BrandC"},
        {"VROX 1", "KV8", "FM", false, std::nullopt, "BrandC"},
        {"Ferit 370", "WB1", "FC", false, std::nullopt, ""},
        {"VTP 2", "VQB", "SM", false, std::nullopt, ""},
        {"LINE KESTA", "VQB", "SM", false, std::nullopt, "BrandA"},
        {"ORBIS", "VQB", "SM", false, std::nullopt, "BrandD"},
        {"Thickness", "VQB", "SM", false, std::nullopt, "BrandE"},
    };
    for (const Row& row : rows) {
        const Identification id = identifyGauge(QString::fromLatin1(row.name), QString());
        EXPECT_TRUE(id.matched) << row.name;
        EXPECT_EQ(id.deviceCode, QLatin1String(row.code)) << row.name;
        EXPECT_EQ(id.kind, QLatin1String(row.kind)) << row.name;
        EXPECT_EQ(id.frame.shown, row.frameShown) << row.name;
        EXPECT_EQ(id.frame.colour, row.colour) << row.name;
        EXPECT_EQ(id.brandingVariant, QLatin1String(row.branding)) << row.name;
    }
}

TEST(IdentificationTest, BothMarkersNeeded) {
    EXPECT_FALSE(identifyGauge(QStringLiteral("KESTA"), QString()).matched);
    EXPECT_FALSE(identifyGauge(QStringLiteral("Lab"), QString()).matched);
    EXPECT_FALSE(identifyGauge(QStringLiteral("LINE"), QString()).matched);
    EXPECT_EQ(identifyGauge(QStringLiteral("Lab KESTA"), QString()).deviceCode, QStringLiteral("QX"));
}

TEST(IdentificationTest, MarkersAreCaseSensitive) {
    EXPECT_FALSE(identifyGauge(QStringLiteral("qx"), QString()).matched);
    EXPECT_FALSE(identifyGauge(QStringLiteral("Flux"), QString()).matched);
    EXPECT_FALSE(identifyGauge(QStringLiteral("vrox"), QString()).matched);
}

TEST(IdentificationTest, LaterRowsOverwriteEarlierOnes) {
    const Identification id = identifyGauge(QStringLiteral("KESTA Lab 470"), QString());
    EXPECT_EQ(id.deviceCode, QStringLiteral("WB2"));
    EXPECT_EQ(id.kind, QStringLiteral("FC"));
    EXPECT_EQ(id.brandingVariant, QStringLiteral("BrandA"));  // "470" names no branding
    EXPECT_EQ(id.frame.colour, kFrameColourWB);

    // A hidden frame keeps the colour an earlier row gave it.
    const Identification later = identifyGauge(QStringLiteral("QX FLUX"), QString());
    EXPECT_EQ(later.deviceCode, QStringLiteral("XK"));
    EXPECT_FALSE(later.frame.shown);
    EXPECT_EQ(later.frame.colour, kFrameColourQX);

    EXPECT_EQ(identifyGauge(QStringLiteral("PERM Vrox"), QString()).brandingVariant, QStringLiteral("BrandC"));
}

TEST(IdentificationTest, NoMarker) {
    const Identification id = identifyGauge(QStringLiteral("Unknown"), QString(), QStringLiteral("BrandD"));
    EXPECT_FALSE(id.matched);
    EXPECT_EQ(id.deviceCode, QString());
    EXPECT_EQ(id.brandingVariant, QStringLiteral("BrandD"));
}

TEST(IdentificationTest, SerialNumbers7000To7999AreBrandA) {
    EXPECT_EQ(identifyGauge(QStringLiteral("VTP"), QStringLiteral("7500")).brandingVariant, QStringLiteral("BrandA"));
    EXPECT_EQ(identifyGauge(QStringLiteral("ORBIS"), QStringLiteral(" 7000 ")).brandingVariant, QStringLiteral("BrandA"));
    EXPECT_EQ(identifyGauge(QStringLiteral("nothing"), QStringLiteral("7999")).brandingVariant, QStringLiteral("BrandA"));
    EXPECT_EQ(identifyGauge(QStringLiteral("ORBIS"), QStringLiteral("6999")).brandingVariant, QStringLiteral("BrandD"));
    EXPECT_EQ(identifyGauge(QStringLiteral("QX"), QStringLiteral("8000")).brandingVariant, QString());
    EXPECT_EQ(identifyGauge(QStringLiteral("QX"), QStringLiteral("A7500")).brandingVariant, QString());
    EXPECT_TRUE(isBrandASerial(QStringLiteral("7500-B")));
    EXPECT_FALSE(isBrandASerial(QString()));
}

TEST(DevicePictureTest, PicturesByCode) {
    const std::pair<const char*, const char*> plain[] = {{"QX", "QX.png"},   {"KV4", "KV4000.png"}, {"KV6", "KV6000.png"},
                                                         {"JZ", "JZ.png"},   {"WB2", "WB470.png"},  {"XK", "XK.png"}};
    for (const auto& [code, file] : plain) {
        const DevicePicture p = devicePictureFor(QLatin1String(code), QString());
        EXPECT_EQ(p.file, QLatin1String(file));
        EXPECT_FALSE(p.stretched);
        EXPECT_FALSE(p.showNameLabel);
        ASSERT_TRUE(p.readingField.has_value());
        EXPECT_EQ(*p.readingField, besidePictureLayout());
        // Branded gauges show the empty picture and their name.
        const DevicePicture branded = devicePictureFor(QLatin1String(code), QStringLiteral("BrandB"));
        EXPECT_EQ(branded.file, QStringLiteral("leer.png"));
        EXPECT_TRUE(branded.showNameLabel);
    }
    const std::pair<const char*, const char*> stretched[] = {{"VQB", "VQ.gif"}, {"WB1", "WB.gif"}, {"KV8", "KV.gif"}};
    for (const auto& [code, file] : stretched) {
        const DevicePicture p = devicePictureFor(QLatin1String(code), QStringLiteral("BrandA"));
        EXPECT_EQ(p.file, QLatin1String(file));
        EXPECT_TRUE(p.stretched);
        EXPECT_FALSE(p.readingField.has_value());
    }
    EXPECT_EQ(devicePictureFor(QString(), QString()).file, QString());
}

TEST(DevicePictureTest, ReadingFieldLayouts) {
    const ReadingFieldLayout text = textDisplayLayout();
    EXPECT_EQ(text.top, 300);
    EXPECT_EQ(text.width, 1450);
    EXPECT_EQ(text.height, 400);
    EXPECT_EQ(text.left, 2780);
    EXPECT_EQ(text.background, (Rgb{64, 64, 64}));
    EXPECT_TRUE(text.systemWindowForeground);
    EXPECT_EQ(text.fontPoints, 12);
    const ReadingFieldLayout beside = besidePictureLayout();
    EXPECT_EQ(beside.left, 1400);
    EXPECT_EQ(beside.top, 650);
    EXPECT_EQ(beside.width, 2500);
    EXPECT_EQ(beside.background, (Rgb{120, 127, 122}));
    EXPECT_EQ(beside.foreground, (Rgb{0, 0, 0}));
    EXPECT_FALSE(beside.systemWindowForeground);
}

TEST(DeviceProfileTest, TheModelTable) {
    const std::pair<const char*, const char*> rows[] = {
        {"VQB", "4LE2+-2"}, {"QX", "5LE2+-2"},  {"KV4", "5LE2--2"}, {"KV6", "5LE---3"}, {"KV8", "4LE2--2"},
        {"WB1", "4LE2+-2"}, {"WB2", "5LE2+-1"}, {"JZ", "5LE2--3"},  {"XK", "5LE0--3"},
    };
    for (const auto& [code, profile] : rows) EXPECT_EQ(deviceProfileFor(QLatin1String(code)), QLatin1String(profile)) << code;
    // The first three characters of the trimmed code decide.
    EXPECT_EQ(deviceProfileFor(QStringLiteral(" KV6000 ")), QStringLiteral("5LE---3"));
    EXPECT_EQ(deviceProfileFor(QStringLiteral("JZ ")), QStringLiteral("5LE2--3"));
    EXPECT_EQ(deviceProfileFor(QStringLiteral("ABC")), QString());
    EXPECT_EQ(deviceProfileFor(QString()), QString());
    EXPECT_EQ(deviceKindFor(QStringLiteral("XK")), QStringLiteral("MF"));
    EXPECT_EQ(deviceKindFor(QStringLiteral("WB1")), QStringLiteral("FC"));
    EXPECT_EQ(deviceKindFor(QStringLiteral("zz")), QString());
}

TEST(DeviceProfileTest, WhatAProfileSwitches) {
    ProfileEffects e = profileEffects(QStringLiteral("5LE2+-2"));
    EXPECT_TRUE(e.clockMenu);
    EXPECT_TRUE(e.bluetoothLinkSymbol);
    EXPECT_TRUE(e.keyboardEventMenu);
    EXPECT_TRUE(e.rule8020);
    e = profileEffects(QStringLiteral("5LE2--2"));
    EXPECT_FALSE(e.rule8020);
    e = profileEffects(QStringLiteral("5xV2+-2"));
    EXPECT_FALSE(e.clockMenu);
    EXPECT_FALSE(e.bluetoothLinkSymbol);
    EXPECT_FALSE(e.keyboardEventMenu);
    // No profile (a freshly started program): USB symbol, no clock menu.
    e = profileEffects(QString());
    EXPECT_FALSE(e.bluetoothLinkSymbol);
    EXPECT_FALSE(e.clockMenu);
    EXPECT_TRUE(e.keyboardEventMenu);
    EXPECT_TRUE(e.rule8020);
}

}  // namespace
}  // namespace zenu
