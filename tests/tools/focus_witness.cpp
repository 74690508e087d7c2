// SPDX-License-Identifier: GPL-3.0-or-later
// A plain native window for end-to-end tests: it writes "focus in", "focus
// out" and the text of every key typed into it to standard output, one line
// each, so a test can tell which window had the keyboard.
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <cstdio>

namespace {

class Witness : public QWidget {
protected:
    void focusInEvent(QFocusEvent*) override { say("focus in"); }
    void focusOutEvent(QFocusEvent*) override { say("focus out"); }
    void keyPressEvent(QKeyEvent* event) override {
        if (!event->text().isEmpty()) {
            say(QStringLiteral("key %1").arg(event->text()).toUtf8().constData());
        }
    }

private:
    static void say(const char* line) {
        std::printf("%s\n", line);
        std::fflush(stdout);
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Witness window;
    window.setWindowTitle(QStringLiteral("focus witness"));
    window.resize(640, 400);
    window.show();
    return QApplication::exec();
}
