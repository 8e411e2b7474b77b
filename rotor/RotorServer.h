// SPDX-License-Identifier: GPL-3.0-or-later
// The rotctld-compatible server: shares the rotor with the station's other programs
// over TCP on this computer only (127.0.0.1 and ::1). It runs on the thread that
// creates it, on that thread's event loop, and never waits on a client.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Exception.h"

namespace skyvane {

class TRotorAccess;

// Raised when the server cannot listen; the message tells the user why.
class ERotorServer : public Exception {
public:
    using Exception::Exception;
};

// Writes one line into the trace log.
using TServerTrace = std::function<void(const std::string& text)>;

class TRotorServer : public QObject {
public:
    // Clients served at once; a newcomer beyond them takes the place of the client
    // that has been silent longest, or is told why it is turned away.
    static constexpr int MaxClients = 32;
    // Answer bytes a client may leave unread before the server stops reading from it.
    static constexpr qint64 MaxUnsentBytes = 64 * 1024;
    // A client that sends nothing for this long is closed (a forgotten connection).
    static constexpr std::chrono::milliseconds DefaultIdleTimeout = std::chrono::minutes(10);
    // With every place taken, a client silent at least this long gives way to a newcomer.
    static constexpr std::chrono::milliseconds DefaultGiveWayAfter = std::chrono::seconds(5);
    // The trace log notes turned-away clients at most this often.
    static constexpr std::chrono::milliseconds TurnAwayNoteInterval = std::chrono::minutes(1);

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
    // The number of clients served now (those being closed no longer count).
    int ClientCount() const;

    // Where the server notes what a user may want to know (turned-away clients).
    void SetTrace(TServerTrace trace) { trace_ = std::move(trace); }
    // How long a silent client is kept, and how long one must have been silent to give
    // way to a newcomer when every place is taken.
    void SetIdleLimits(std::chrono::milliseconds idleTimeout,
                       std::chrono::milliseconds giveWayAfter);

private:
    class TListener;
    class TClient;

    void Admit(qintptr descriptor);
    TClient* LongestSilent() const;
    void TurnAway(TClient* client);
    // The client no longer takes a place: it is being closed.
    void Release(TClient* client);
    // The client's connection is over: it goes.
    void Forget(TClient* client);
    void CheckIdle();
    void ArmIdleCheck();

    TRotorAccess& rotor_;
    std::vector<std::unique_ptr<TListener>> listeners_;
    std::vector<TClient*> clients_;  // served, each taking a place
    std::vector<TClient*> closing_;  // told or finished, waiting for the end of the stream
    TServerTrace trace_;
    std::chrono::milliseconds idleTimeout_ = DefaultIdleTimeout;
    std::chrono::milliseconds giveWayAfter_ = DefaultGiveWayAfter;
    QTimer idleCheck_;
    QElapsedTimer lastTurnAwayNote_;
    int turnedAwayUnnoted_ = 0;
};

// The one line a client is told before it is closed because every place is taken.
std::string ServerFullText();

}  // namespace skyvane
