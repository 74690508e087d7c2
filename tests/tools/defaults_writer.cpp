// SPDX-License-Identifier: GPL-3.0-or-later
// Writes preferences in a tight loop until killed. Used by the crash-safety
// test, which kills it at random moments and checks the file each time.
// The counter continues from the stored one, so the file must only ever move
// forward. With --open-only it opens the store (which tidies up after earlier
// interrupted saves) and exits without writing.
#include "platform/files/PreferencesFile.h"

#include <QCoreApplication>
#include <QJsonArray>

#include <cstring>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    mirelon::PreferencesFile& defaults = mirelon::PreferencesFile::standard();
    if (argc > 1 && std::strcmp(argv[1], "--open-only") == 0) {
        return 0;
    }
    // A value large enough that a write takes more than one system call.
    QJsonArray big;
    for (int i = 0; i < 2000; ++i) {
        big.append(QStringLiteral("padding-%1").arg(i));
    }
    const auto first = static_cast<long>(defaults.doubleValue(QStringLiteral("counter"), -1.0)) + 1;
    for (long i = first;; ++i) {
        defaults.setDouble(QStringLiteral("counter"), static_cast<double>(i));
        defaults.setValue(QStringLiteral("big"), big);
        defaults.setBool(QStringLiteral("flag"), i % 2 == 0);
    }
}
