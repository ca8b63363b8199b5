// The 26-byte frames spoken with the electronic load: the requests the program
// sends and the load's answer to a status query.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarvex {

inline constexpr std::size_t kFrameSize = 26;

// One frame in either direction: start byte 0xAA, address 0, command, mode,
// zeros, checksum in byte 25.
using DeviceFrame = std::array<std::uint8_t, kFrameSize>;

inline constexpr std::uint8_t kFrameStart = 0xAA;

// Byte 2 of a frame.
enum class FrameCommand : std::uint8_t {
    ReadStatus = 0x91,
    SetControlMode = 0x92,
};

// Byte 3 of a set-control-mode request.
enum class ControlMode : std::uint8_t {
    FrontPanel = 0,      // the load's own keys control it
    ComputerLoadOff = 2, // computer control, input off
    ComputerLoadOn = 3,  // computer control, input on
};

// Low 8 bits of the sum of bytes 0 to 24.
std::uint8_t frameChecksum(const DeviceFrame& frame);

// True when the 26 bytes at bytes are an answer to a status query as the
// load sends it: start byte, command and checksum in place. A chunk of 26
// bytes made of the ends of two answers is not.
bool isWellFormedAnswer(const std::uint8_t* bytes);

DeviceFrame makeStatusQuery();
DeviceFrame makeControlFrame(ControlMode mode);

// The load's answer to a status query carrying these raw values (what the
// simulated load sends): current in mA, voltage in mV, power in 0.1 W.
DeviceFrame makeStatusAnswer(std::uint16_t milliAmps, std::int32_t milliVolts,
                             std::uint16_t deciWatts);

} // namespace tarvex
