#pragma once

// Live lists over the dial-up service: the phonebook's entries and the active
// connections. Each list re-enumerates on Refresh and then fires its one change event,
// synchronously, in which its holder re-reads the list.

#include "platform/Ras.h"

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace nuvex {

class TRasBaseList
{
public:
    using TNotifyEvent = std::function<void(TRasBaseList& sender)>;

    virtual ~TRasBaseList() = default;
    TRasBaseList(const TRasBaseList&) = delete;
    TRasBaseList& operator=(const TRasBaseList&) = delete;

    virtual int Count() const = 0;
    // Re-enumerates, replacing every item (items obtained before are freed), then fires
    // OnChange. On an error the list stays empty, no event fires and ERasError passes on.
    virtual void Refresh() = 0;

    TNotifyEvent OnChange;

protected:
    TRasBaseList() = default;
    void DoChange();
};

class TRasPhonebook;
class TRasConnectionsList;

// Makes a list without its first enumeration: for a holder that must have the list even
// when the service failed at that moment (the next Refresh tries again).
struct TNoInitialRefresh
{};

// An entry's number fields as the service stores them (RASENTRYA and its total size).
class TRasEntryProperties
{
public:
    explicit TRasEntryProperties(platform::ras::DWORD size);
    platform::ras::RASENTRYA* Entry() { return reinterpret_cast<platform::ras::RASENTRYA*>(storage_.data()); }
    const platform::ras::RASENTRYA* Entry() const
    {
        return reinterpret_cast<const platform::ras::RASENTRYA*>(storage_.data());
    }
    platform::ras::DWORD Size() const { return size_; }

private:
    std::vector<std::uint32_t> storage_; // word-aligned, zero-filled
    platform::ras::DWORD size_;
};

class TRasPhonebookEntry
{
public:
    TRasPhonebookEntry(TRasPhonebook& parent, QString name) : Name(std::move(name)), parent_(parent) {}

    // Reads the entry's record: asks the size, then the record. Raises ERasError.
    std::unique_ptr<TRasEntryProperties> GetProperties() const;
    // Writes the first `size` bytes of the record back (the fixed part, 1768 bytes, unless
    // the caller means to write what follows it too; never more than the record holds).
    // With freeAndCheck (what the program always uses) the record is released and a
    // failure raises; without it only the result code is returned.
    platform::ras::DWORD SetProperties(std::unique_ptr<TRasEntryProperties> properties,
                                       platform::ras::DWORD size = sizeof(platform::ras::RASENTRYA),
                                       bool freeAndCheck = true);

    const QString Name;
    TRasPhonebook& Parent() const { return parent_; }

private:
    TRasPhonebook& parent_;
};

class TRasPhonebook final : public TRasBaseList
{
public:
    TRasPhonebook(); // refreshes once, before anyone can listen
    explicit TRasPhonebook(TNoInitialRefresh) {}
    int Count() const override { return static_cast<int>(items_.size()); }
    TRasPhonebookEntry& Items(int index) { return *items_.at(static_cast<std::size_t>(index)); }
    // Enumerates again unless the service says that its phonebook is the one enumerated
    // last time (then the items stay as they are); fires OnChange either way.
    void Refresh() override;
    // The service's phonebook generation at the last refresh (RasService.h), or nothing
    // when the service could not tell or the refresh failed: while it stays the same,
    // every entry reads as it did then.
    std::optional<std::uint64_t> Generation() const { return generation_; }

    QString PhoneBook; // never set: the default phonebook is used

private:
    std::vector<std::unique_ptr<TRasPhonebookEntry>> items_;
    std::optional<std::uint64_t> generation_;
};

// How often a refresh asks again for the list when it grew between the service's calls.
inline constexpr int kEnumerationAttempts = 5;

// How long a hang-up with time-out 0 waits for the service to report the connection gone
// before it gives up with an error (the next tick tries again).
inline constexpr std::chrono::milliseconds kHangUpWaitLimit{30000};
inline constexpr std::chrono::milliseconds kHangUpPollInterval{100};
// How often a connection that would not go is asked again to hang up.
inline constexpr std::chrono::milliseconds kHangUpRetryInterval{30000};

class TRasConnectionItem
{
public:
    TRasConnectionItem(TRasConnectionsList& parent, const platform::ras::RASCONNA& connection);

    QString EntryName() const;
    platform::ras::HRASCONN Handle() const { return connection_.hrasconn; }
    const platform::ras::RASCONNA& Connection() const { return connection_; }

    // Raises ERasError.
    platform::ras::RASCONNSTATUSA GetConnectStatus() const;

    // Hangs up, waits in 100 ms polls until the service reports the connection gone
    // (timeout 0: without a time-out of its own, but at most waitLimit, then ERasError
    // naming the connection; timeout > 0: at most that many seconds), then refreshes the
    // parent list. That refresh frees this item: the caller must not touch it afterwards.
    void HangUp(int timeoutSeconds, std::chrono::milliseconds waitLimit = kHangUpWaitLimit);
    // Only asks the service to hang up, without waiting (the holder watches with
    // IsGone whether it went). Raises ERasError.
    void StartHangUp() const;
    // True once the service no longer knows the connection.
    static bool IsGone(platform::ras::HRASCONN handle);

private:
    TRasConnectionsList& parent_;
    platform::ras::RASCONNA connection_;
};

class TRasConnectionsList final : public TRasBaseList
{
public:
    TRasConnectionsList(); // refreshes once, before anyone can listen
    explicit TRasConnectionsList(TNoInitialRefresh) {}
    int Count() const override { return static_cast<int>(items_.size()); }
    TRasConnectionItem& Items(int index) { return *items_.at(static_cast<std::size_t>(index)); }
    void Refresh() override;

private:
    std::vector<std::unique_ptr<TRasConnectionItem>> items_;
};

// The entry's number text (country, "-(area)-", local). Raises ERasError.
QString GetEntryNumber(const TRasPhonebookEntry& entry);

} // namespace nuvex
