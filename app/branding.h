#pragma once
// Branding variants: which logo, icon, company caption and colour the windows show once a
// gauge has been identified.
#include <QColor>
#include <QString>

namespace zenu {

struct Branding {
    QString logoFile;    // shown stretched in picZenu
    QString iconFile;    // window icon
    QString frameFile;   // shown stretched in picRahmen; only without a variant
    QString company;     // caption of FrameStatistik
    QColor foreColour;   // FrameStatistik and txtWait
};

// The branding of a variant ("" for our own, "BrandA" .. "BrandE"); an unknown variant gets ours.
Branding brandingFor(const QString& variant);

}  // namespace zenu
