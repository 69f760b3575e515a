// The messages of the dial-up service's codes, as a Czech Windows words them.

#include "platform/Ras.h"
#include "platform/RasFields.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace nuvex::platform::ras {

namespace {

struct ErrorText
{
    DWORD code;
    const char* text;
};

// What a Czech Windows says for the RAS codes; sorted by code.
constexpr ErrorText kErrorTexts[] = {
    {600, "Operace probíhá."},
    {601, "Byl zjištěn neplatný popisovač portu."},
    {602, "Zadaný port je již otevřen."},
    {603, "Vyrovnávací paměť je pro tuto operaci příliš malá."},
    {604, "Byly zadány nesprávné informace."},
    {605, "Informace o portu nelze nastavit."},
    {606, "Zadaný port není připojen."},
    {607, "Byla zjištěna neplatná událost."},
    {608, "Bylo zadáno zařízení, které neexistuje."},
    {609, "Byl zadán typ zařízení, který neexistuje."},
    {610, "Byla zadána neplatná vyrovnávací paměť."},
    {611, "Byla zadána trasa, která není k dispozici."},
    {612, "Byla zadána trasa, která není přidělena."},
    {613, "Byla zadána neplatná komprese."},
    {614, "Není k dispozici dostatek vyrovnávacích pamětí."},
    {615, "Zadaný port nebyl nalezen."},
    {616, "Asynchronní požadavek čeká na vyřízení."},
    {617, "Modem (nebo jiné připojovací zařízení) se již odpojuje."},
    {618, "Zadaný port není otevřen."},
    {619, "Připojení ke vzdálenému počítači nelze navázat, a proto byl port použitý pro toto připojení "
          "uzavřen."},
    {620, "Nelze určit žádné koncové body."},
    {621, "Systém nemohl otevřít soubor telefonního seznamu."},
    {622, "Systém nemohl načíst soubor telefonního seznamu."},
    {623, "Systém nenalezl položku telefonního seznamu pro toto připojení."},
    {624, "Systém nemohl aktualizovat soubor telefonního seznamu."},
    {625, "Systém nalezl v souboru telefonního seznamu neplatné informace."},
    {626, "Řetězec nelze načíst."},
    {627, "Klíč nelze nalézt."},
    {628, "Připojení bylo ukončeno vzdáleným počítačem dříve, než mohlo být dokončeno."},
    {629, "Připojení bylo ukončeno vzdáleným počítačem."},
    {630, "Modem (nebo jiné připojovací zařízení) byl odpojen z důvodu selhání hardwaru."},
    {631, "Uživatel odpojil modem (nebo jiné připojovací zařízení)."},
    {632, "Byla zadána nesprávná velikost struktury."},
    {633, "Modem (nebo jiné připojovací zařízení) je již používán nebo není správně nakonfigurován."},
    {634, "Váš počítač nelze zaregistrovat ve vzdálené síti."},
    {635, "Došlo k neznámé chybě."},
    {636, "Zařízení připojené k portu není očekávaným zařízením."},
    {637, "Byl zjištěn řetězec, který nelze převést."},
    {638, "Vypršel časový limit požadavku."},
    {639, "Není k dispozici žádná asynchronní síť."},
    {640, "Došlo k chybě protokolu NetBIOS."},
    {641, "Server nemůže přidělit prostředky NetBIOS potřebné pro podporu klienta."},
    {642, "Jeden z názvů NetBIOS vašeho počítače je již ve vzdálené síti zaregistrován."},
    {643, "Došlo k selhání síťového adaptéru na serveru."},
    {644, "Nebudete dostávat automaticky otevíraná okna se síťovými zprávami."},
    {645, "Došlo k vnitřní chybě ověřování."},
    {646, "Účet nemá povoleno přihlášení v tuto denní dobu."},
    {647, "Účet je zakázán."},
    {648, "Platnost hesla pro tento účet vypršela."},
    {649, "Účet nemá oprávnění k telefonickému připojení."},
    {650, "Server vzdáleného přístupu neodpovídá."},
    {651, "Modem (nebo jiné připojovací zařízení) ohlásil chybu."},
    {652, "Modem (nebo jiné připojovací zařízení) vrátil nerozpoznanou odpověď."},
    {653, "Makro vyžadované modemem (nebo jiným připojovacím zařízením) nebylo nalezeno v souboru .INF "
          "zařízení."},
    {654, "Příkaz nebo odpověď v oddílu souboru .INF zařízení odkazuje na nedefinované makro."},
    {655, "Makro <message> nebylo nalezeno v oddílu souboru .INF zařízení."},
    {656, "Makro <defaultoff> v oddílu souboru .INF zařízení obsahuje nedefinované makro."},
    {657, "Soubor .INF zařízení nelze otevřít."},
    {658, "Název zařízení v souboru .INF zařízení nebo v souboru .INI médií je příliš dlouhý."},
    {659, "Soubor .INI médií odkazuje na neznámý název zařízení."},
    {660, "Soubor .INF zařízení neobsahuje žádné odpovědi pro příkaz."},
    {661, "V souboru .INF zařízení chybí příkaz."},
    {662, "Došlo k pokusu nastavit makro, které není uvedeno v oddílu souboru .INF zařízení."},
    {663, "Soubor .INI médií odkazuje na neznámý typ zařízení."},
    {664, "V systému došla paměť."},
    {665, "Modem (nebo jiné připojovací zařízení) není správně nakonfigurován."},
    {666, "Modem (nebo jiné připojovací zařízení) nefunguje."},
    {667, "Systém nemohl přečíst soubor .INI médií."},
    {668, "Připojení bylo ukončeno."},
    {669, "Parametr použití v souboru .INI médií je neplatný."},
    {670, "Systém nemohl přečíst název oddílu ze souboru .INI médií."},
    {671, "Systém nemohl přečíst typ zařízení ze souboru .INI médií."},
    {672, "Systém nemohl přečíst název zařízení ze souboru .INI médií."},
    {673, "Systém nemohl přečíst způsob použití ze souboru .INI médií."},
    {674, "Systém nemohl přečíst maximální přenosovou rychlost připojení ze souboru .INI médií."},
    {675, "Systém nemohl přečíst maximální rychlost nosného signálu ze souboru .INI médií."},
    {676, "Telefonní linka je obsazená."},
    {677, "Místo modemu (nebo jiného připojovacího zařízení) odpověděla osoba."},
    {678, "Vzdálený počítač neodpovídá."},
    {679, "Systém nezjistil nosný signál."},
    {680, "Není oznamovací tón."},
    {681, "Modem (nebo jiné připojovací zařízení) ohlásil obecnou chybu."},
    {682, "Při zápisu názvu oddílu došlo k chybě."},
    {683, "Při zápisu typu zařízení došlo k chybě."},
    {684, "Při zápisu názvu zařízení došlo k chybě."},
    {685, "Při zápisu maximální rychlosti připojení došlo k chybě."},
    {686, "Při zápisu maximální rychlosti nosného signálu došlo k chybě."},
    {687, "Při zápisu způsobu použití došlo k chybě."},
    {688, "Při zápisu výchozího vypnutí došlo k chybě."},
    {689, "Při čtení výchozího vypnutí došlo k chybě."},
    {690, "Soubor .INI je prázdný."},
    {691, "Přístup byl odepřen, protože uživatelské jméno nebo heslo není v doméně platné."},
    {692, "V modemu (nebo jiném připojovacím zařízení) došlo k selhání hardwaru."},
    {693, "Makro není binární."},
    {694, "Řídicí blok zařízení nebyl nalezen."},
    {695, "Stavové automaty nejsou spuštěny."},
    {696, "Stavové automaty jsou již spuštěny."},
    {697, "Smyčka odpovědí nebyla dokončena."},
    {698, "Název klíče odpovědi v souboru .INF zařízení nemá očekávaný formát."},
    {699, "Odpověď modemu (nebo jiného připojovacího zařízení) způsobila přetečení vyrovnávací paměti."},
    {700, "Rozvinutý příkaz v souboru .INF zařízení je příliš dlouhý."},
    {701, "Modem přešel na rychlost připojení, kterou ovladač portu COM nepodporuje."},
    {702, "Byla přijata odpověď zařízení, přestože se žádná neočekávala."},
    {703, "Připojení od vás potřebuje informace, ale aplikace nepovoluje interakci s uživatelem."},
    {704, "Číslo pro zpětné volání je neplatné."},
    {705, "Stav autorizace je neplatný."},
    {706, "Při zápisu počáteční rychlosti došlo k chybě."},
    {707, "Došlo k chybě související s protokolem X.25."},
    {708, "Platnost účtu vypršela."},
    {709, "Při změně hesla v doméně došlo k chybě."},
    {710, "Při komunikaci s modemem byly zjištěny chyby přetečení sériového portu."},
    {711, "Chyba konfigurace tohoto počítače brání tomuto připojení."},
    {712, "Obousměrný port se inicializuje. Počkejte několik sekund a vytočte znovu."},
    {713, "Nejsou k dispozici žádné aktivní linky ISDN."},
    {714, "Pro uskutečnění hovoru nejsou k dispozici žádné kanály ISDN."},
    {715, "Kvůli špatné kvalitě telefonní linky došlo k příliš mnoha chybám."},
    {716, "Konfigurace IP služby vzdáleného přístupu je nepoužitelná."},
    {717, "Ve statickém fondu adres IP služby vzdáleného přístupu nejsou k dispozici žádné adresy IP."},
    {718, "Připojení bylo ukončeno, protože vzdálený počítač neodpověděl včas."},
    {719, "Připojení bylo ukončeno vzdáleným počítačem."},
    {720, "Připojení ke vzdálenému počítači nelze navázat. Možná bude nutné změnit nastavení sítě pro "
          "toto připojení."},
    {721, "Vzdálený počítač neodpověděl."},
    {722, "Ze vzdáleného počítače byla přijata neplatná data. Tato data byla ignorována."},
    {723, "Telefonní číslo včetně předpony a přípony je příliš dlouhé."},
    {724, "Protokol IPX nemůže vytáčet na modemu (nebo jiném připojovacím zařízení), protože tento "
          "počítač není nakonfigurován pro odchozí volání IPX."},
    {725, "Protokol IPX nemůže přijímat volání na modemu (nebo jiném připojovacím zařízení), protože "
          "tento počítač není nakonfigurován pro příchozí volání IPX."},
    {726, "Protokol IPX nelze použít k vytáčení na více než jednom modemu (nebo jiném připojovacím "
          "zařízení) současně."},
    {727, "Nelze získat přístup k souboru TCPCFG.DLL."},
    {728, "Systém nemůže najít adaptér IP."},
    {729, "Protokol SLIP nelze použít, dokud není nainstalován protokol IP."},
    {730, "Registrace počítače není dokončena."},
    {731, "Protokol není nakonfigurován."},
    {732, "Váš počítač a vzdálený počítač se nemohly dohodnout na řídicích protokolech PPP."},
    {733, "Připojení ke vzdálenému počítači nelze dokončit. Možná bude nutné upravit protokoly v tomto "
          "počítači."},
    {734, "Protokol řízení linky PPP byl ukončen."},
    {735, "Server odmítl požadovanou adresu."},
    {736, "Vzdálený počítač ukončil řídicí protokol."},
    {737, "Byla zjištěna zpětná smyčka."},
    {738, "Server nepřidělil adresu."},
    {739, "Ověřovací protokol požadovaný vzdáleným serverem nemůže použít uložené heslo. Vytočte znovu "
          "a zadejte heslo."},
    {740, "Bylo zjištěno neplatné pravidlo vytáčení."},
    {741, "Místní počítač nepodporuje požadovaný typ šifrování dat."},
    {742, "Vzdálený počítač nepodporuje požadovaný typ šifrování dat."},
    {743, "Vzdálený počítač vyžaduje šifrování dat."},
    {744, "Systém nemůže použít číslo sítě IPX přidělené vzdáleným počítačem."},
    {749, "Telefonní číslo je neplatné."},
    {751, "Číslo pro zpětné volání obsahuje neplatný znak. Povoleno je pouze těchto 18 znaků: 0 až 9, "
          "T, P, W, (, ), -, @ a mezera."},
    {752, "Při zpracování skriptu byla zjištěna chyba syntaxe."},
    {753, "Připojení nelze odpojit, protože bylo vytvořeno směrovačem pro více protokolů."},
    {754, "Systém nenalezl svazek více linek."},
    {755, "Systém nemůže provést automatické vytáčení, protože toto připojení má určen vlastní "
          "vytáčecí program."},
    {756, "Toto připojení se již vytáčí."},
    {757, "Služby vzdáleného přístupu nelze spustit automaticky."},
    {758, "Sdílení připojení k Internetu je pro toto připojení již povoleno."},
    {769, "Zadaný cíl není dosažitelný."},
    {770, "Vzdálený počítač odmítl pokus o připojení."},
    {771, "Pokus o připojení se nezdařil, protože síť je zaneprázdněna."},
    {772, "Síťový hardware vzdáleného počítače není kompatibilní s požadovaným typem volání."},
    {773, "Pokus o připojení se nezdařil, protože se změnilo cílové číslo."},
    {774, "Pokus o připojení se nezdařil kvůli dočasné chybě. Zkuste se připojit znovu."},
    {775, "Vzdálený počítač volání zablokoval."},
    {776, "Volání nelze spojit, protože vzdálený počítač má zapnutu funkci Nerušit."},
    {777, "Pokus o připojení se nezdařil, protože modem (nebo jiné připojovací zařízení) vzdáleného "
          "počítače je mimo provoz."},
    {778, "Nebylo možné ověřit identitu serveru."},
    {798, "Nebyl nalezen certifikát, který by bylo možné použít s protokolem EAP (Extensible "
          "Authentication Protocol)."},
};

std::string ErrorMessage(DWORD code)
{
    const auto found = std::lower_bound(std::begin(kErrorTexts), std::end(kErrorTexts), code,
                                        [](const ErrorText& e, DWORD c) { return e.code < c; });
    if (found != std::end(kErrorTexts) && found->code == code)
        return found->text;
    return "Chyba vzdáleného přístupu číslo " + std::to_string(code) + ".";
}

} // namespace

DWORD RasGetErrorStringA(unsigned code, char* buffer, DWORD bufferSize)
{
    if (!buffer || bufferSize == 0 || code < RASBASE || code > RASBASEEND)
        return ERROR_INVALID_PARAMETER;
    try {
        PutFieldCut(buffer, bufferSize, ErrorMessage(code));
        return kSuccess;
    } catch (...) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

} // namespace nuvex::platform::ras
