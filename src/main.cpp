#include "app/MirelonApp.h"
#include "platform/DisplaySession.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    const bool switchedToX11 = mirelon::DisplaySession::detect() == mirelon::DisplayMode::XWayland;
    QApplication app(argc, argv);
    mirelon::MirelonApp mirelon(switchedToX11);
    if (!mirelon.launch()) {
        return 0;  // the running instance took over
    }
    return QApplication::exec();
}
