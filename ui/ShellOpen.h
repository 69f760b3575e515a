#pragma once

// Hands a document, web page or "mailto:" address to the desktop, which opens it with the
// user's program for it (the browser, the mail program). When no program could open it,
// a message box names the address.

#include <QString>
#include <functional>

class QUrl;

namespace nuvex {

inline constexpr int SW_SHOW = 5;

// parameters and directory are kept for the callers' sake; the desktop takes the
// address alone. The address is passed whole, however long.
void ShellOpen(const QString& file, const QString& parameters, const QString& directory, int showCommand);

// The address as the desktop gets it: web and mail addresses as they are, a bare path as
// a local file.
QUrl ShellOpenUrl(const QString& file);
// The message for an address nothing could open: a mail address without "mailto:".
QString ShellOpenFailureText(const QUrl& url);

// While installed, addresses go to the handler instead of the desktop. Tests only.
void SetShellOpenHandler(std::function<bool(const QUrl&)> handler);

} // namespace nuvex
