// The window station's datagram: a 48-byte little-endian header and its payload.
//
//   0 magic "ZWM1"     12 sequence (send and reply)   28 payload length
//   4 kind 1/2/3       16 target window id (u64)      32 wParam (u64)
//   8 sender pid       24 message                     40 lParam (u64; dwData of WM_COPYDATA)
//
// Only application messages (WM_USER and above) are posted or sent between processes; the
// one system message that crosses is WM_COPYDATA, sent with its data as the payload. Other
// system messages, the controls' own messages and reflected notifications carry pointers
// and never cross.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/core/WinTypes.h"

namespace zwin {

constexpr std::size_t kStationHeaderSize = 48;
constexpr std::uint32_t kStationMaxPayload = 65536;

constexpr std::uint32_t kDatagramPost = 1;
constexpr std::uint32_t kDatagramSend = 2;
constexpr std::uint32_t kDatagramReply = 3;

struct StationDatagram {
    std::uint32_t kind = 0;
    std::uint32_t senderPid = 0;
    std::uint32_t sequence = 0;
    std::uint64_t target = 0;
    std::uint32_t message = 0;
    std::uint64_t wParam = 0;
    std::uint64_t lParam = 0;
    // The payload bytes; after a decode they point into the decoded buffer.
    const std::uint8_t* payload = nullptr;
    std::uint32_t payloadLength = 0;
};

enum class DatagramCheck {
    Ok,
    BadMagic,
    BadKind,
    BadLength, // shorter than a header, or the length field disagrees with the size
    Oversize,
    BadSender,
    NotCarried, // a message that does not cross between processes
};

// Whether a message may travel as a post or a send between processes.
bool StationCarries(std::uint32_t kind, UINT message);

std::vector<std::uint8_t> EncodeDatagram(const StationDatagram& datagram);
// Checks a received datagram; fills `out` only when it is Ok.
DatagramCheck DecodeDatagram(const void* data, std::size_t size, StationDatagram* out);

} // namespace zwin
