// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/RotorServer.h"

#include <QSocketNotifier>
#include <algorithm>

#include "platform/stream_socket.h"
#include "platform/tcp_listener.h"
#include "rotor/RotctlSession.h"
#include "toolkit/ExceptionReport.h"

namespace skyvane {
namespace {

// Bytes taken from a client at a time: a flood is served in small bites between the
// other events of the thread.
constexpr std::size_t ReadChunk = 4096;
// A client being closed has this long to end its side before its socket is closed.
constexpr int LingerMs = 2000;

// Connections taken in one turn of the event loop; the rest wait for the next.
constexpr int MaxAcceptsPerTurn = 32;
// After the system could not hand over a connection (out of descriptors), the
// listener rests this long before it tries again, instead of spinning.
constexpr int AcceptRestMs = 1000;

std::string ListenErrorText(quint16 port, const platform::SocketFailure& failure) {
    const std::string where = "TCP port " + std::to_string(port);
    if (platform::IsAddressInUse(failure))
        return "The rotor cannot be shared: " + where + " is already in use by another program";
    return "The rotor cannot be shared on " + where + ": " + platform::SocketFailureText(failure);
}

}  // namespace

std::string ServerFullText() {
    return "Skyvane: all " + std::to_string(TRotorServer::MaxClients) +
           " places of the rotor server are taken by clients in use; try again later\n";
}

// One listening socket: hands every accepted connection to the server by its descriptor.
class TRotorServer::TListener {
public:
    explicit TListener(TRotorServer& server) : server_(server) {}

    // Listens at `address`:`port`; nothing on success.
    std::optional<platform::SocketFailure> Listen(const platform::IpAddress& address,
                                                  quint16 port) {
        if (auto failure = socket_.Listen(address, port)) return failure;
        ready_ = std::make_unique<QSocketNotifier>(socket_.NativeHandle(), QSocketNotifier::Read);
        QObject::connect(ready_.get(), &QSocketNotifier::activated, &server_,
                         [this] { Guarded([this] { AcceptWaiting(); }); });
        rest_.setSingleShot(true);
        QObject::connect(&rest_, &QTimer::timeout, &server_, [this] { ready_->setEnabled(true); });
        return std::nullopt;
    }
    quint16 Port() const { return socket_.Port(); }

private:
    void AcceptWaiting() {
        for (int i = 0; i < MaxAcceptsPerTurn; ++i) {
            int error = 0;
            const std::intptr_t descriptor = socket_.Accept(error);
            if (descriptor >= 0) {
                server_.Admit(descriptor);
                continue;
            }
            if (error) {
                ready_->setEnabled(false);
                rest_.start(AcceptRestMs);
            }
            return;
        }
    }

    TRotorServer& server_;
    platform::TcpListener socket_;
    std::unique_ptr<QSocketNotifier> ready_;
    QTimer rest_;
};

// One connected client: its socket, its conversation and the answers not yet sent.
// Ending: once the client has sent its last byte, or asked to quit, or must go, every
// answer is sent, this side's stream is ended, and the socket closes when the client
// ends its side too (or after a short linger), so that no answer is lost to a reset.
class TRotorServer::TClient : public QObject {
public:
    TClient(TRotorServer& server, qintptr descriptor)
        : QObject(&server),
          server_(server),
          socket_(descriptor),
          reading_(descriptor, QSocketNotifier::Read),
          writing_(descriptor, QSocketNotifier::Write),
          session_(server.rotor_) {
        writing_.setEnabled(false);
        connect(&reading_, &QSocketNotifier::activated, this,
                [this] { Guarded([this] { Readable(); }); });
        connect(&writing_, &QSocketNotifier::activated, this,
                [this] { Guarded([this] { Flush(); }); });
        linger_.setSingleShot(true);
        connect(&linger_, &QTimer::timeout, this, [this] { server_.Forget(this); });
        silence_.start();
    }

    // How long the client has sent nothing.
    qint64 SilentMs() const { return silence_.elapsed(); }
    // True once the connection is ending: it no longer counts as silent.
    bool Ending() const { return ending_; }
    // Sends `line`, then ends the connection.
    void Tell(const std::string& line) {
        unsent_ += line;
        End();
    }
    // Sends what is still owed, then ends the connection; a client that does not take
    // it within the linger time is closed all the same.
    void End() {
        ending_ = true;
        if (!linger_.isActive()) linger_.start(LingerMs);
        Flush();
    }
    // Nothing more reaches this client: it is about to go.
    void Quiet() {
        reading_.setEnabled(false);
        writing_.setEnabled(false);
        linger_.stop();
    }

private:
    void Readable() {
        char bytes[ReadChunk];
        const platform::SocketRead read = socket_.Read(bytes, sizeof bytes);
        if (read.error) return server_.Forget(this);
        if (closing_) {
            // Only the end of the client's stream is waited for now.
            if (read.ended) server_.Forget(this);
            return;
        }
        if (read.bytes > 0) {
            silence_.restart();
            unsent_ += session_.Receive(std::string_view(bytes, read.bytes));
        }
        if (read.ended || session_.Finished()) ending_ = true;
        inputEnded_ = read.ended;
        Flush();
    }

    void Flush() {
        while (sent_ < unsent_.size()) {
            int error = 0;
            const long n = socket_.Write(unsent_.data() + sent_, unsent_.size() - sent_, error);
            if (n < 0) return server_.Forget(this);
            if (n == 0) break;
            sent_ += static_cast<std::size_t>(n);
        }
        if (sent_ == unsent_.size()) {
            unsent_.clear();
            sent_ = 0;
        }
        const bool owed = !unsent_.empty();
        writing_.setEnabled(owed);
        if (!owed && ending_) return Close();
        // A client that leaves its answers unread is not read from until it reads.
        reading_.setEnabled(!closing_ && !ending_ &&
                            qint64(unsent_.size() - sent_) < MaxUnsentBytes);
    }

    // Everything owed is sent: this side's stream ends.
    void Close() {
        if (closing_) return;
        closing_ = true;
        socket_.ShutdownOutput();
        server_.Release(this);
        if (inputEnded_) return server_.Forget(this);
        reading_.setEnabled(true);
        linger_.start(LingerMs);
    }

    TRotorServer& server_;
    platform::StreamSocket socket_;
    QSocketNotifier reading_;
    QSocketNotifier writing_;
    TRotctlSession session_;
    std::string unsent_;
    std::size_t sent_ = 0;
    QElapsedTimer silence_;
    QTimer linger_;
    bool inputEnded_ = false;  // the client sends nothing more
    bool ending_ = false;      // the connection ends once everything owed is sent
    bool closing_ = false;     // this side's stream has ended
};

TRotorServer::TRotorServer(TRotorAccess& rotor, QObject* parent) : QObject(parent), rotor_(rotor) {
    idleCheck_.setSingleShot(true);
    connect(&idleCheck_, &QTimer::timeout, this, [this] { Guarded([this] { CheckIdle(); }); });
}

TRotorServer::~TRotorServer() {
    Close();
}

void TRotorServer::SetIdleLimits(std::chrono::milliseconds idleTimeout,
                                 std::chrono::milliseconds giveWayAfter) {
    idleTimeout_ = idleTimeout;
    giveWayAfter_ = giveWayAfter;
    idleCheck_.stop();
    ArmIdleCheck();
}

void TRotorServer::Listen(quint16 port) {
    Close();
    auto ipv4 = std::make_unique<TListener>(*this);
    if (const auto failure = ipv4->Listen(platform::IpAddress::LocalHost(), port))
        throw ERotorServer(ListenErrorText(port, *failure));
    const quint16 chosen = ipv4->Port();
    auto ipv6 = std::make_unique<TListener>(*this);
    if (const auto failure = ipv6->Listen(platform::IpAddress::LocalHostIpv6(), chosen)) {
        // A system without IPv6 is served on 127.0.0.1 alone; a port the user chose
        // that another program holds on ::1 is the user's to know about.
        if (port != 0 && platform::IsAddressInUse(*failure))
            throw ERotorServer(ListenErrorText(port, *failure));
        ipv6.reset();
    }
    listeners_.push_back(std::move(ipv4));
    if (ipv6) listeners_.push_back(std::move(ipv6));
}

void TRotorServer::Close() {
    listeners_.clear();
    idleCheck_.stop();
    std::vector<TClient*> gone;
    gone.swap(clients_);
    gone.insert(gone.end(), closing_.begin(), closing_.end());
    closing_.clear();
    for (TClient* client : gone) delete client;
}

bool TRotorServer::Listening() const {
    return !listeners_.empty();
}

quint16 TRotorServer::Port() const {
    return listeners_.empty() ? 0 : listeners_.front()->Port();
}

int TRotorServer::ClientCount() const {
    return static_cast<int>(clients_.size());
}

void TRotorServer::Admit(qintptr descriptor) {
    auto* client = new TClient(*this, descriptor);
    if (clients_.size() >= MaxClients) {
        TClient* silent = LongestSilent();
        if (!silent || silent->SilentMs() < giveWayAfter_.count()) return TurnAway(client);
        silent->End();  // it gives way: its place is free once it is being closed
        if (clients_.size() >= MaxClients) return TurnAway(client);
    }
    clients_.push_back(client);
    ArmIdleCheck();
}

TRotorServer::TClient* TRotorServer::LongestSilent() const {
    TClient* longest = nullptr;
    for (TClient* client : clients_)
        if (!client->Ending() && (!longest || client->SilentMs() > longest->SilentMs()))
            longest = client;
    return longest;
}

void TRotorServer::TurnAway(TClient* client) {
    closing_.push_back(client);
    client->Tell(ServerFullText());
    ++turnedAwayUnnoted_;
    if (lastTurnAwayNote_.isValid() && lastTurnAwayNote_.elapsed() < TurnAwayNoteInterval.count())
        return;
    lastTurnAwayNote_.start();
    if (trace_)
        trace_("Rotor server: " + std::to_string(turnedAwayUnnoted_) +
               " client(s) turned away, all " + std::to_string(MaxClients) +
               " places taken by clients in use");
    turnedAwayUnnoted_ = 0;
}

void TRotorServer::Release(TClient* client) {
    const auto found = std::find(clients_.begin(), clients_.end(), client);
    if (found == clients_.end()) return;
    clients_.erase(found);
    closing_.push_back(client);
}

void TRotorServer::Forget(TClient* client) {
    for (std::vector<TClient*>* list : {&clients_, &closing_}) {
        const auto found = std::find(list->begin(), list->end(), client);
        if (found == list->end()) continue;
        list->erase(found);
        client->Quiet();
        client->deleteLater();
        return;
    }
}

void TRotorServer::CheckIdle() {
    const std::vector<TClient*> clients = clients_;
    for (TClient* client : clients)
        if (client->SilentMs() >= idleTimeout_.count()) client->End();
    ArmIdleCheck();
}

void TRotorServer::ArmIdleCheck() {
    if (idleCheck_.isActive()) return;
    const TClient* silent = LongestSilent();
    if (!silent) return;
    const qint64 left = idleTimeout_.count() - silent->SilentMs();
    idleCheck_.start(static_cast<int>(std::max<qint64>(left, 0) + 1));
}

}  // namespace skyvane
