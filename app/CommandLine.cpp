#include "app/CommandLine.h"

#include "news/VersionInfo.h"

#include <QByteArray>
#include <string_view>

namespace nuvex {

namespace {

constexpr std::string_view kHelp =
    R"(Použití: nuvex [VOLBA]

Nuvex hlídá telefonické připojení sítě: každou sekundu porovnává čísla položek
telefonního seznamu s důvěryhodnými kontrolními čísly, při změně nebo nové
položce spustí poplach a zavěsí spojení. Zaznamenává připojení a spravuje hesla.
Běží v oznamovací oblasti panelu, jednou pro každého uživatele; další spuštění
jen vyvolá okno běžící kopie.

Volby:
  -h, --help     vypíše tuto nápovědu a skončí
  --version      vypíše verzi programu a skončí

Bez voleb spustí hlídání. Volby Qt (například -platform) se předávají Qt.

Prostředí:
  NUVEX_SYSTEM_ROOT   kořen emulovaného počítače (ukázka a testy)
  XDG_DATA_HOME       data uživatele (výchozí ~/.local/share): záznamy připojení
                      a soubor hesel instalovaného programu v podsložce nuvex
  XDG_CONFIG_HOME     nastavení (výchozí ~/.config): nuvex/user.reg
                      a autostart/nuvex.desktop

Podrobnosti: man nuvex, v programu nabídka Pomoc (F1).
)";

void Write(std::FILE* out, std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), out);
}

} // namespace

std::optional<int> AnswerCommandLine(int argc, const char* const* argv, std::FILE* out)
{
    for (int index = 1; index < argc; ++index) {
        const std::string_view argument = argv[index];
        if (argument == "--help" || argument == "-h") {
            Write(out, kHelp);
            return 0;
        }
        if (argument == "--version") {
            const QByteArray version = VersionText().toUtf8();
            Write(out, "Nuvex ");
            Write(out, std::string_view(version.constData(), static_cast<size_t>(version.size())));
            Write(out, "\nHlídač telefonického připojení sítě\n"
                       "Licence GPL-3.0-or-later: GNU GPL verze 3 nebo pozdější.\n"
                       "Toto je svobodný software, smíte jej měnit a šířit. Je BEZ ZÁRUKY.\n");
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace nuvex
