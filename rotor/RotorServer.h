// SPDX-License-Identifier: GPL-3.0-or-later
// The rotctld-compatible server: shares the rotor with the station's other programs
// over TCP on this computer only (127.0.0.1 and ::1). It runs on the thread that
// creates it, on that thread's event loop, and never waits on a client.
#pragma once

#include <QObject>
#include <memory>
#include <vector>

#include "toolkit/Exception.h"

class QTcpServer;
class QTcpSocket;

namespace skyvane {

class TRotorAccess;

// Raised when the server cannot listen; the message tells the user why.
class ERotorServer : public Exception {
public:
    using Exception::Exception;
};

class TRotorServer : public QObject {
public:
    // Clients served at once; more are turned away as they connect.
    static constexpr int MaxClients = 32;
    // Answer bytes a client may leave unread before the server stops reading from it.
    static constexpr qint64 MaxUnsentBytes = 64 * 1024;

    // A server that answers from `rotor`, which must outlive it. Not listening yet.
    explicit TRotorServer(TRotorAccess& rotor, QObject* parent = nullptr);
    ~TRotorServer() override;

    // Listens on 127.0.0.1 and, where the system has it, ::1 at `port` (0: a free port
    // the system picks). Raises ERotorServer when the port is in use or cannot be used;
    // the server then listens nowhere.
    void Listen(quint16 port);
    // Stops listening and drops every client.
    void Close();
    // True while listening.
    bool Listening() const;
    // The port listened on; 0 when not listening.
    quint16 Port() const;
    // The number of clients connected now.
    int ClientCount() const;

private:
    class TClient;

    void AcceptClients(QTcpServer* listener);
    void Forget(TClient* client);

    TRotorAccess& rotor_;
    std::vector<std::unique_ptr<QTcpServer>> listeners_;
    std::vector<TClient*> clients_;
};

}  // namespace skyvane
