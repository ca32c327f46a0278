// Config requests as a script sends them ("name", "name[i]", "name=value"), one per line, to a
// control without a Bluetooth stack. The first byte gives the length of the advertisement data
// that follows it, current while the requests run as in an Advertisement handler (0: none).
#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "corvel/core/advertisement.h"
#include "corvel/core/ble_link.h"
#include "corvel/core/codepage.h"
#include "corvel/core/control_core.h"
#include "corvel/sig/ad_sections.h"

using namespace corvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t adSize = std::min<size_t>(data[0], size - 1);

    AdvertisementContext adv;
    adv.address = 0x00A0500B1C2Dull;
    for (AdSection& s : splitAdSections(std::span<const uint8_t>(data + 1, adSize))) {
        if (s.type != adtype::kManufacturerData)
            adv.sections.push_back(std::move(s));
        else if (s.data.size() >= 2)
            adv.manufacturerData.push_back(ManufacturerEntry{static_cast<uint16_t>(s.data[0] | (s.data[1] << 8)),
                                                             std::vector<uint8_t>(s.data.begin() + 2, s.data.end())});
    }
    adv.serviceData = readServiceData(adv.sections).entries;

    ControlCore core(std::make_unique<NullBleLink>());
    if (adSize > 0) core.setCurrentAdvertisement(&adv);

    std::string_view requests(reinterpret_cast<const char*>(data + 1 + adSize), size - 1 - adSize);
    for (int n = 0; n < 64 && !requests.empty(); ++n) {
        const size_t end = std::min(requests.find('\n'), requests.size());
        const Result<std::string> r = core.config(requests.substr(0, end));
        requests.remove_prefix(std::min(end + 1, requests.size()));
        // A failure is the control's last error, with a text.
        if (!r.ok() && (r.status.text.empty() || core.lastErrorCode() != r.status.code ||
                        core.lastErrorText() != r.status.text))
            __builtin_trap();
        // The answer as the interface hands it out: in the code page (values) or the text page.
        decodeText(core.codePage(), r.value);
        decodeText(textCodePage(core.codePage()), r.value);
    }
    core.setCurrentAdvertisement(nullptr);
    return 0;
}
