#pragma once

// The dial-up adapter's counters: unsigned 32-bit, 0 when they cannot be read.

#include <QString>

namespace nuvex {

quint32 ReadPerfStat(const QString& valueName);
quint32 GetBytesReceived();
quint32 GetConnectSpeed();

} // namespace nuvex
