// Writes preferences in a tight loop until killed. Used by the crash-safety
// test, which kills it at random moments and checks the file each time.
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QJsonArray>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    mirelon::UserDefaults& defaults = mirelon::UserDefaults::standard();
    // A value large enough that a write takes more than one system call.
    QJsonArray big;
    for (int i = 0; i < 2000; ++i) {
        big.append(QStringLiteral("padding-%1").arg(i));
    }
    for (long i = 0;; ++i) {
        defaults.setDouble(QStringLiteral("counter"), static_cast<double>(i));
        defaults.setValue(QStringLiteral("big"), big);
        defaults.setBool(QStringLiteral("flag"), i % 2 == 0);
    }
}
