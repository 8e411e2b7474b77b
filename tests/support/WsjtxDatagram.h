// SPDX-License-Identifier: GPL-3.0-or-later
// WSJT-X's Status message written the way WSJT-X writes it: QDataStream, big-endian,
// QByteArray strings (a null one, 0xffffffff, for a field without a value).
#pragma once

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>

#include "rotor/WsjtxMessage.h"

namespace skyvane::test {

struct TStatusFields {
    QByteArray id = "WSJT-X", mode = "FT8", dxCall, report = "-12", txMode = "FT8",
               deCall = "DL1ABC", deGrid = "JO62", dxGrid;
};

inline QByteArray StatusDatagram(const TStatusFields& f, quint32 schema = 2, quint32 type = 1,
                                 quint32 magic = WsjtxMagic) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(schema == 3 ? QDataStream::Qt_5_4 : QDataStream::Qt_5_2);
    out << magic << schema << type << f.id << quint64(14074000) << f.mode << f.dxCall << f.report
        << f.txMode << false << false << true << quint32(1500) << quint32(1200) << f.deCall
        << f.deGrid << f.dxGrid;
    // Schema 2 and 3 go on with fields no older reader knows; they must not matter.
    out << true << QByteArray("") << false << quint8(0) << quint32(10) << quint32(15)
        << QByteArray("Default");
    return bytes;
}

}  // namespace skyvane::test
