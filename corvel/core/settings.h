#pragma once
// Settings of the control (the Config channel), with their defaults.
#include <cstdint>
#include <string>

namespace corvel {

struct Settings {
    // Bluetooth settings.
    bool autoDiscoverCharacteristics = false;
    bool autoDiscoverDescriptors = false;
    bool autoDiscoverIncludedServices = false;
    bool includeRediscovered = true;
    bool preferIndications = false;
    bool queryAdditionalDeviceInfo = false;
    int32_t scanStartedTimeout = 2;
    int32_t pairingMode = 0;
    int32_t logLevel = 1;

    // General settings.
    int32_t codePage = 65001;
    bool timeoutInMilliseconds = false;
    bool absoluteTimeout = false;
    int32_t selectWaitMillis = 20;
    bool useWindowsMessages = true;
    bool useIocp = false;
    bool ignoreExternalEvents = false;
    bool ignoreOtherWindowEvents = false;
    std::string logDebugFile;
    int32_t logDebugOption = 0;
    int32_t charsetMode = 0;

    // Network and security settings of the shared core: stored and returned only.
    bool useInternalCryptoApi = false;
    bool useFipsCompliantApi = false;
    bool allow3DesInFips = false;
    int32_t qosTrafficType = 0;
    int32_t qosDscpValue = 0;
    std::string sslProvider;
    int32_t sslCipherStrength = 0;
    bool useDefaultCredentials = false;
    bool reuseSslSession = true;
    int32_t extendedProtection = 0;
    int32_t sslSecurityFlags = 0;
    bool sslIncludeCertChain = true;
    int32_t sslEnabledProtocols = 0;
    bool sslEnableRenegotiation = true;
    int32_t useIpv6 = 0;
    int32_t useIpv6Int = 0;
    bool useGetAddrInfo = true;
    std::string kerberosSpn;
    bool useSystemSspi = false;
    std::string recordToFile;
    bool recordToString = false;
    bool useInternalSecurityApi = false;
};

// "ZeroMemory" is one value for the whole process.
bool processZeroMemory();
void setProcessZeroMemory(bool value);

} // namespace corvel
