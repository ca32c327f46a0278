#include "app/branding.h"

#include "app/colours.h"

namespace zenu {
namespace {
// Fictional customer names; BrandA and BrandB are the same customer.
const QString kCustomerAB = QStringLiteral("Halvorsen Messtechnik GmbH");
}  // namespace

Branding brandingFor(const QString& variant) {
    auto variantBranding = [](const QString& name, const QString& company, const QColor& colour) {
        return Branding{name + QStringLiteral("_logo.jpg"), name + QStringLiteral(".ico"), QString(), company, colour};
    };
    if (variant == QLatin1String("BrandA")) return variantBranding(variant, kCustomerAB, colours::kBrand1);
    if (variant == QLatin1String("BrandB")) return variantBranding(variant, kCustomerAB, colours::kBrand2);
    if (variant == QLatin1String("BrandC"))
        return variantBranding(variant, QStringLiteral("Brenner & Sohn Prüfsysteme KG"), colours::kBrand1);
    if (variant == QLatin1String("BrandD"))
        return variantBranding(variant, QStringLiteral("Kovač Industrial Inspection d.o.o."), colours::kBrand1);
    if (variant == QLatin1String("BrandE"))
        return variantBranding(variant, QStringLiteral("Lindqvist Coating Control AB"), colours::kBrand3);
    return Branding{QStringLiteral("Zenulogo.jpg"), QStringLiteral("Zenu.ico"), QStringLiteral("Rahmen.jpg"),
                    QStringLiteral("Orvant GmbH"), colours::kBrand1};
}

}  // namespace zenu
