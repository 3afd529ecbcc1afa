// libFuzzer target of the window station's datagram decoder: whatever arrives, a datagram
// that passes the checks encodes back to exactly the bytes received, and carries data only
// as a WM_COPYDATA send within the limit.
#include <cstdlib>
#include <cstring>

#include "platform/win/StationWire.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zwin::StationDatagram d;
    if (zwin::DecodeDatagram(data, size, &d) != zwin::DatagramCheck::Ok)
        return 0;
    if (d.payloadLength > zwin::kStationMaxPayload || (d.payloadLength && d.message != 0x004A))
        std::abort();
    std::vector<std::uint8_t> again = zwin::EncodeDatagram(d);
    if (again.size() != size || std::memcmp(again.data(), data, size) != 0)
        std::abort();
    return 0;
}
