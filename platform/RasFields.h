#pragma once

// Filling and reading the fixed text fields of the dial-up records; shared by the
// services behind Ras.h.

#include "platform/Ras.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

namespace nuvex::platform::ras {

// Copies text and its terminator into a fixed field; false when it does not fit whole.
inline bool PutField(char* field, std::size_t fieldSize, std::string_view text)
{
    if (text.size() >= fieldSize || text.find('\0') != std::string_view::npos)
        return false;
    std::memcpy(field, text.data(), text.size());
    field[text.size()] = '\0';
    return true;
}

// Text that only describes (device names, messages) may be cut, but never inside a
// UTF-8 sequence.
inline void PutFieldCut(char* field, std::size_t fieldSize, std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    std::size_t length = std::min(text.size(), fieldSize - 1);
    while (length > 0 && length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        --length;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

// A field of a caller's record, up to its terminator; nothing when the field has none.
inline std::optional<std::string_view> GetField(const char* field, std::size_t fieldSize)
{
    const void* end = std::memchr(field, '\0', fieldSize);
    if (!end)
        return std::nullopt;
    return std::string_view(field, static_cast<std::size_t>(static_cast<const char*>(end) - field));
}

inline std::optional<DWORD> ArraySize(std::size_t count, std::size_t elementSize)
{
    const std::uint64_t size = static_cast<std::uint64_t>(count) * elementSize;
    if (size > std::numeric_limits<DWORD>::max())
        return std::nullopt;
    return static_cast<DWORD>(size);
}

// Fills a caller's array with one record per item (fill(record, item) after the size
// field), or answers ERROR_BUFFER_TOO_SMALL with the size it needs.
template <typename Record, typename Items, typename Fill>
DWORD FillRecords(Record* records, DWORD* cb, DWORD* count, const Items& items, Fill fill)
{
    const auto needed = ArraySize(items.size(), sizeof(Record));
    if (!needed)
        return ERROR_NOT_ENOUGH_MEMORY;
    const auto n = static_cast<DWORD>(items.size());
    *count = n;
    if (*cb < *needed) {
        *cb = *needed;
        return ERROR_BUFFER_TOO_SMALL;
    }
    for (DWORD i = 0; i < n; ++i) {
        records[i].dwSize = sizeof(Record);
        fill(records[i], items[i]);
    }
    *cb = *needed;
    return kSuccess;
}

} // namespace nuvex::platform::ras
