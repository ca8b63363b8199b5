#include "protocol/DeviceFrame.h"

namespace tarvex {

std::uint8_t frameChecksum(const DeviceFrame& frame) {
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < kFrameSize; ++i)
        sum += frame[i];
    return static_cast<std::uint8_t>(sum & 0xFF);
}

bool isWellFormedAnswer(const std::uint8_t* bytes) {
    DeviceFrame frame;
    for (std::size_t i = 0; i < kFrameSize; ++i)
        frame[i] = bytes[i];
    return frame[0] == kFrameStart &&
           frame[2] == static_cast<std::uint8_t>(FrameCommand::ReadStatus) &&
           frame[25] == frameChecksum(frame);
}

namespace {

DeviceFrame makeRequest(FrameCommand command, std::uint8_t mode) {
    DeviceFrame frame{};
    frame[0] = kFrameStart;
    frame[1] = 0x00;
    frame[2] = static_cast<std::uint8_t>(command);
    frame[3] = mode;
    frame[25] = frameChecksum(frame);
    return frame;
}

} // namespace

DeviceFrame makeStatusQuery() {
    return makeRequest(FrameCommand::ReadStatus, 0x00);
}

DeviceFrame makeControlFrame(ControlMode mode) {
    return makeRequest(FrameCommand::SetControlMode, static_cast<std::uint8_t>(mode));
}

DeviceFrame makeStatusAnswer(std::uint16_t milliAmps, std::int32_t milliVolts,
                             std::uint16_t deciWatts) {
    DeviceFrame frame{};
    frame[0] = kFrameStart;
    frame[2] = static_cast<std::uint8_t>(FrameCommand::ReadStatus);
    frame[3] = static_cast<std::uint8_t>(milliAmps & 0xFF);
    frame[4] = static_cast<std::uint8_t>(milliAmps >> 8);
    const auto mv = static_cast<std::uint32_t>(milliVolts);
    for (std::size_t i = 0; i < 4; ++i)
        frame[5 + i] = static_cast<std::uint8_t>(mv >> (8 * i));
    frame[9] = static_cast<std::uint8_t>(deciWatts & 0xFF);
    frame[10] = static_cast<std::uint8_t>(deciWatts >> 8);
    frame[25] = frameChecksum(frame);
    return frame;
}

} // namespace tarvex
