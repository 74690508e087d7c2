// SPDX-License-Identifier: GPL-3.0-or-later
// A plain native window for the headless Wayland desktop that reports what
// reaches it: "TITLE press X Y" (window coordinates) for each button press.
// Clicks that pass through the program's overlays land here.
//   wayland_witness TITLE [COLOUR]
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include <cstdio>

namespace {
class Witness : public QWidget {
public:
    Witness(QString title, QColor colour) : title_(std::move(title)), colour_(colour) {
        setWindowTitle(title_);
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), colour_); }
    void mousePressEvent(QMouseEvent* event) override {
        std::printf("%s press %d %d\n", qPrintable(title_), int(event->position().x()),
                    int(event->position().y()));
        std::fflush(stdout);
    }

private:
    QString title_;
    QColor colour_;
};
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Witness window(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("witness"),
                   QColor(argc > 2 ? argv[2] : "#204060"));
    window.resize(400, 300);
    window.show();
    std::printf("witness shown\n");
    std::fflush(stdout);
    return app.exec();
}
