#include "platform/win/StationWire.h"

#include <cstring>

#include "platform/win/Messages.h"

namespace zwin {

namespace {

constexpr std::uint8_t kMagic[4] = {'Z', 'W', 'M', '1'};

// The common controls' own messages: list view 0x1000, tree 0x1100, header 0x1200, tab
// 0x1300 and the rest up to the shared 0x2000 block.
constexpr UINT kFirstControlMessage = 0x1000;
constexpr UINT kControlMessagesEnd = 0x2400;
// Numbers from here on are handed out at run time (registered messages).
constexpr UINT kFirstRegisteredMessage = 0xC000;
static_assert(WM_REFLECT_BASE < kFirstRegisteredMessage);

// Numbers the controls and the framework read a pointer from (or act on blindly): the
// common controls' own messages and notifications reflected to their control
// (WM_REFLECT_BASE + the original number). No process may hand them to another.
bool ControlMessage(UINT message) {
    return (message >= kFirstControlMessage && message < kControlMessagesEnd) ||
           (message >= WM_REFLECT_BASE && message < kFirstRegisteredMessage);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put64(std::uint8_t* p, std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t Get32(const std::uint8_t* p) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}
std::uint64_t Get64(const std::uint8_t* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

} // namespace

bool StationCarries(std::uint32_t kind, UINT message) {
    if (kind == kDatagramPost)
        return message >= WM_USER && !ControlMessage(message);
    if (kind == kDatagramSend)
        return message == WM_COPYDATA || (message >= WM_USER && !ControlMessage(message));
    return kind == kDatagramReply;
}

std::vector<std::uint8_t> EncodeDatagram(const StationDatagram& d) {
    std::vector<std::uint8_t> out(kStationHeaderSize + d.payloadLength);
    std::uint8_t* p = out.data();
    std::memcpy(p, kMagic, 4);
    Put32(p + 4, d.kind);
    Put32(p + 8, d.senderPid);
    Put32(p + 12, d.sequence);
    Put64(p + 16, d.target);
    Put32(p + 24, d.message);
    Put32(p + 28, d.payloadLength);
    Put64(p + 32, d.wParam);
    Put64(p + 40, d.lParam);
    if (d.payloadLength)
        std::memcpy(p + kStationHeaderSize, d.payload, d.payloadLength);
    return out;
}

DatagramCheck DecodeDatagram(const void* data, std::size_t size, StationDatagram* out) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    if (!p || size < kStationHeaderSize)
        return DatagramCheck::BadLength;
    if (std::memcmp(p, kMagic, 4) != 0)
        return DatagramCheck::BadMagic;
    StationDatagram d;
    d.kind = Get32(p + 4);
    d.senderPid = Get32(p + 8);
    d.sequence = Get32(p + 12);
    d.target = Get64(p + 16);
    d.message = Get32(p + 24);
    d.payloadLength = Get32(p + 28);
    d.wParam = Get64(p + 32);
    d.lParam = Get64(p + 40);
    if (d.kind != kDatagramPost && d.kind != kDatagramSend && d.kind != kDatagramReply)
        return DatagramCheck::BadKind;
    if (d.payloadLength > kStationMaxPayload)
        return DatagramCheck::Oversize;
    if (size - kStationHeaderSize != d.payloadLength)
        return DatagramCheck::BadLength;
    // Only WM_COPYDATA carries data; posts, other sends and replies are the header alone.
    if (d.payloadLength && !(d.kind == kDatagramSend && d.message == WM_COPYDATA))
        return DatagramCheck::BadLength;
    if (d.senderPid == 0 || d.senderPid > 0x7FFFFFFFu)
        return DatagramCheck::BadSender;
    if (!StationCarries(d.kind, d.message))
        return DatagramCheck::NotCarried;
    d.payload = d.payloadLength ? p + kStationHeaderSize : nullptr;
    *out = d;
    return DatagramCheck::Ok;
}

} // namespace zwin
