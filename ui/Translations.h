#pragma once

class QCoreApplication;

namespace nuvex {

// Makes Qt's own texts (standard buttons, file dialogs, the calendar) Czech like the
// rest of the program, whatever the system's language. Returns false when Qt's Czech
// translation is not installed.
bool InstallCzechTranslation(QCoreApplication& application);

} // namespace nuvex
