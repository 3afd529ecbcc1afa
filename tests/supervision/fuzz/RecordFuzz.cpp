// Fuzz target of the status-record intake: the first byte picks the record and the sums,
// the rest is the record's bytes as they would arrive in a WM_COPYDATA.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "store/AccountRecords.h"
#include "store/TradeState.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t mode = data[0];
    const std::size_t length = size - 1;
    // The bytes in an allocation of exactly their size, so a read past them is caught.
    std::unique_ptr<char[]> bytes(new char[length ? length : 1]);
    if (length)
        std::memcpy(bytes.get(), data + 1, length);
    const CString record = CopyDataRecord(bytes.get(), static_cast<DWORD>(length));
    CTradeState state;
    if (mode & 1)
        state.ParseAccountUpdate(record);
    else
        state.ParseAccountInfo(record);
    state.reported[0] = state.reported[1] = 1;
    state.SumAccounts((mode & 2) != 0);
    return 0;
}
