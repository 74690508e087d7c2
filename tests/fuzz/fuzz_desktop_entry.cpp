// SPDX-License-Identifier: GPL-3.0-or-later
// Parses arbitrary bytes as a desktop entry; what parses is written out again
// and must parse to the same values, and every Exec value splits or is refused
// without harm; quoting any argument splits back to that argument.
#include "FuzzSupport.h"
#include "startatlogin/DesktopEntry.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mirelon;
    fuzz::defaults();
    const QByteArray input = fuzz::bytes(data, size);
    const auto entry = DesktopEntry::parse(input);
    if (entry) {
        const auto again = DesktopEntry::parse(entry->toText());
        if (!again) {
            std::abort();
        }
        for (const char* key : {"Exec", "Name", "Hidden", "Type", "X-GNOME-Autostart-enabled"}) {
            const QString k = QString::fromLatin1(key);
            if (again->value(k) != entry->value(k)) {
                std::abort();
            }
        }
        if (const auto exec = entry->value(QStringLiteral("Exec"))) {
            (void)DesktopEntry::splitExec(*exec);
        }
        (void)entry->boolValue(QStringLiteral("Hidden"), false);
    }
    // Any text as one argument survives quoting.
    const QString argument = QString::fromUtf8(input).left(512);
    if (!argument.isEmpty() && !argument.contains(QChar(0))) {
        const auto split = DesktopEntry::splitExec(DesktopEntry::quoteExecArgument(argument, true));
        if (!split || split->size() != 1 || split->first() != argument) {
            std::abort();
        }
    }
    return 0;
}
