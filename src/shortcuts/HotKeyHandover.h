// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/HotKeyBackend.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace mirelon::GlobalShortcuts {

// Hot keys served by one service until a better one, found only later (the
// desktop's portal answering after the start), takes them over. The later one
// is a candidate until it reports that it serves: its first report of triggers
// (sink.triggersChanged) with a kind other than Unavailable; one that reports
// Unavailable, or never reports, leaves the first service serving. On the
// takeover the registry is told the mapping changed, so it releases every hot
// key (each where it was grabbed) and grabs it again with the service that
// serves now: the same route by which GNOME's service moves its grabs when
// the Shell extension comes or goes.
//
// While a candidate is awaited and the first service can register nothing (no
// X server), registrations are accepted and kept for the candidate; if none
// takes over (endWait), they are offered to the first service again, which
// refuses them as before. A service that took over and later has nothing to
// offer (it reports triggers with the Unavailable kind: the desktop refused a
// new binding) gives the hot keys back to the first service when that one can
// serve.
class HotKeyHandover final : public HotKeyBackend {
public:
    HotKeyHandover(std::shared_ptr<HotKeyBackend> first, bool awaitingSuccessor);

    // `candidate` takes every hot key over once it reports that it serves.
    void offer(std::shared_ptr<HotKeyBackend> candidate);
    // No candidate will come.
    void endWait();

    const HotKeyBackend& current() const { return *current_; }

    void setSink(Sink sink) override;
    int registerHotKey(std::uint32_t id, std::uint32_t keyCode,
                       std::uint32_t carbonModifiers) override;
    void unregisterHotKey(std::uint32_t id) override;
    bool isHeldByAnotherClient(std::uint32_t keyCode, std::uint32_t carbonModifiers) override;
    std::optional<QString> keyText(std::int64_t keyCode) const override;
    Kind kind() const override;
    std::optional<QString> boundTrigger(const QString& name) const override;

private:
    void listenTo(const std::shared_ptr<HotKeyBackend>& backend);
    void serveWith(std::shared_ptr<HotKeyBackend> next);
    void regrab();
    void triggersChanged(const HotKeyBackend* from);

    std::shared_ptr<HotKeyBackend> first_;
    std::shared_ptr<HotKeyBackend> current_;
    std::shared_ptr<HotKeyBackend> candidate_;
    // Services that served before: kept while this lives, since a key held
    // down during the move reports its release where it was pressed, and a
    // service may be the caller of the report that ends its service.
    std::vector<std::shared_ptr<HotKeyBackend>> retired_;
    bool awaiting_ = false;
    Sink sink_;
    // id -> the service that grabbed it; null while kept for the candidate.
    std::map<std::uint32_t, HotKeyBackend*> holders_;
};

}  // namespace mirelon::GlobalShortcuts
