#pragma once

// The figure of the current connection in the status bar, and the session it extends.

#include <QString>

namespace nuvex {

inline const QString kNotConnected = QStringLiteral("Nepřipojen");
inline const QString kNotSupported = QStringLiteral("Nepodporováno/WinNT");

// Received bytes since the session began: 32-bit wrap-around, shown signed.
qint32 SessionBytes(quint32 counterNow, quint32 bytesAtStart);

// The status text for the status-bar choice: 0 bytes " B", 1 speed " b/s", 2 the
// session's length as a time of day (days are not shown), anything else empty.
QString FormatConnectionFigure(qint32 whatShow, quint32 bytesNow, quint32 bytesAtStart, quint32 speed,
                               double sessionStart, double sessionEnd);

// Starts the session when none is open, extends it to now, and returns the status text
// (the fixed "not supported" text on systems without the counters).
QString RefreshConnectionStatus(quint32 bytesAtStart);

} // namespace nuvex
