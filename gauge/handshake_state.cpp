#include "gauge/handshake_state.h"

namespace zenu {

QString CommandBuffer;
QString ResponseText;
int16_t AnswerState = kAnswerReceived;
bool AccumulateMode = false;
bool StorageEnd = false;
int16_t FileHandle = 0;
int32_t FileSize = 0;

int16_t MemoryCount = 0;
QStringList MemoryNames{QString()};
QList<int16_t> MemoryCounts{0};

DeviceInformation DeviceInfo;
double BatteryVoltage = 0.0;
uint32_t RepliesSeen = 0;

void clearDeviceInformation() {
    DeviceInfo = DeviceInformation{};
}

void resetHandshakeState() {
    CommandBuffer.clear();
    ResponseText.clear();
    AnswerState = kAnswerReceived;
    AccumulateMode = false;
    StorageEnd = false;
    FileHandle = 0;
    FileSize = 0;
    MemoryCount = 0;
    MemoryNames = QStringList{QString()};
    MemoryCounts = QList<int16_t>{0};
    clearDeviceInformation();
    BatteryVoltage = 0.0;
    RepliesSeen = 0;
}

}  // namespace zenu
