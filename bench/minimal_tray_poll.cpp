// SPDX-License-Identifier: GPL-3.0-or-later
// The least a Qt program needs to do Skyvane's job, as the yardstick of
// bench/whole-program.sh: while Track is checked in its tray menu, Qt's own serial
// port class asks "AI1;" once a second, and each reply ("123;") is shown in a small
// window (lime digits on black, as Skyvane draws them), in a 16x16 tray icon and in
// the tray hint. With --track it asks from its start, menu or not.
//
//   minimal_tray_poll [--track] PORT [BAUD, default 4800]
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSerialPort>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>
#include <cstring>

namespace {

// The heading drawn into a 16x16 icon.
QIcon HeadingIcon(const QString& heading) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::black);
    QPainter painter(&pixmap);
    QFont font("Arial");
    font.setPixelSize(8);
    painter.setFont(font);
    painter.setPen(QColor(0, 255, 0));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, heading);
    return QIcon(pixmap);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool trackFromStart = argc > 1 && std::strcmp(argv[1], "--track") == 0;
    if (trackFromStart) {
        --argc;
        ++argv;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s [--track] PORT [BAUD]\n", argv[0]);
        return 2;
    }
    QLabel window("000");
    window.setWindowTitle("Minimal tray poll");
    window.setFixedSize(202, 119);
    window.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    window.setStyleSheet("background: black; color: rgb(0, 255, 0);");
    QFont big("Arial");
    big.setPixelSize(115);
    window.setFont(big);
    window.show();

    QSystemTrayIcon tray(HeadingIcon("000"));
    tray.setToolTip("000");
    tray.show();

    QSerialPort port;
    port.setPortName(QString::fromLocal8Bit(argv[1]));
    port.setBaudRate(argc > 2 ? std::atoi(argv[2]) : 4800);
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "cannot open %s: %s\n", argv[1], qPrintable(port.errorString()));
        return 1;
    }
    QByteArray pending;
    QObject::connect(&port, &QSerialPort::readyRead, [&] {
        pending += port.readAll();
        const qsizetype end = pending.lastIndexOf(';');
        if (end < 0) return;
        const QByteArray reply = pending.left(end);
        pending.remove(0, end + 1);
        const QString heading = QString::fromLatin1(reply.mid(reply.lastIndexOf(';') + 1));
        if (heading == window.text()) return;
        window.setText(heading);
        tray.setIcon(HeadingIcon(heading));
        tray.setToolTip(heading);
    });
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    poll.setInterval(1000);
    QObject::connect(&poll, &QTimer::timeout, [&] { port.write("AI1;", 4); });

    QMenu menu;
    QAction* track = menu.addAction("Track");
    track->setCheckable(true);
    QObject::connect(track, &QAction::toggled, [&](bool on) { on ? poll.start() : poll.stop(); });
    QObject::connect(menu.addAction("Exit"), &QAction::triggered, &app, &QApplication::quit);
    tray.setContextMenu(&menu);
    track->setChecked(trackFromStart);
    return app.exec();
}
