// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/RotorServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>

#include "rotor/RotctlSession.h"
#include "toolkit/ExceptionReport.h"

namespace skyvane {
namespace {

// Bytes taken from a client at a time: a flood is served in small bites between the
// other events of the thread.
constexpr qint64 ReadChunk = 4096;

std::string ListenErrorText(quint16 port, const QTcpServer& listener) {
    const std::string where = "TCP port " + std::to_string(port);
    if (listener.serverError() == QAbstractSocket::AddressInUseError)
        return "The rotor cannot be shared: " + where + " is already in use by another program";
    return "The rotor cannot be shared on " + where + ": " + listener.errorString().toStdString();
}

}  // namespace

// One connected client: its socket and its conversation.
class TRotorServer::TClient : public QObject {
public:
    TClient(TRotorServer& server, QTcpSocket* socket)
        : QObject(&server), server_(server), socket_(socket), session_(server.rotor_) {
        socket_->setParent(this);
        // Qt stops taking bytes from the system once this much waits unread, so a
        // client that floods the server is held back by TCP itself.
        socket_->setReadBufferSize(ReadChunk);
        connect(socket_, &QTcpSocket::readyRead, this, [this] { Guarded([this] { Serve(); }); });
        connect(socket_, &QTcpSocket::bytesWritten, this, [this] { Guarded([this] { Serve(); }); });
        connect(socket_, &QTcpSocket::disconnected, this,
                [this] { Guarded([this] { server_.Forget(this); }); });
        connect(socket_, &QTcpSocket::errorOccurred, this,
                [this] { Guarded([this] { server_.Forget(this); }); });
    }

    // Ends the connection at once, without signals back to the server.
    void Drop() {
        socket_->disconnect(this);
        socket_->abort();
    }

private:
    // Answers what has arrived, as long as the client reads its answers.
    void Serve() {
        while (!session_.Finished() && socket_->bytesAvailable() > 0 &&
               socket_->bytesToWrite() < MaxUnsentBytes) {
            const QByteArray bytes = socket_->read(ReadChunk);
            const std::string answer =
                session_.Receive(std::string_view(bytes.constData(), bytes.size()));
            if (!answer.empty()) socket_->write(answer.data(), qint64(answer.size()));
        }
        if (session_.Finished() && socket_->state() == QAbstractSocket::ConnectedState)
            socket_->disconnectFromHost();
    }

    TRotorServer& server_;
    QTcpSocket* socket_;
    TRotctlSession session_;
};

TRotorServer::TRotorServer(TRotorAccess& rotor, QObject* parent) : QObject(parent), rotor_(rotor) {}

TRotorServer::~TRotorServer() {
    Close();
}

void TRotorServer::Listen(quint16 port) {
    Close();
    auto ipv4 = std::make_unique<QTcpServer>();
    if (!ipv4->listen(QHostAddress::LocalHost, port))
        throw ERotorServer(ListenErrorText(port, *ipv4));
    const quint16 chosen = ipv4->serverPort();
    auto ipv6 = std::make_unique<QTcpServer>();
    if (!ipv6->listen(QHostAddress::LocalHostIPv6, chosen)) {
        // A system without IPv6 is served on 127.0.0.1 alone; a port the user chose
        // that another program holds on ::1 is the user's to know about.
        if (port != 0 && ipv6->serverError() == QAbstractSocket::AddressInUseError)
            throw ERotorServer(ListenErrorText(port, *ipv6));
        ipv6.reset();
    }
    listeners_.push_back(std::move(ipv4));
    if (ipv6) listeners_.push_back(std::move(ipv6));
    for (const auto& listener : listeners_) {
        QTcpServer* l = listener.get();
        connect(l, &QTcpServer::newConnection, this,
                [this, l] { Guarded([&] { AcceptClients(l); }); });
    }
}

void TRotorServer::Close() {
    listeners_.clear();
    std::vector<TClient*> clients;
    clients.swap(clients_);
    for (TClient* client : clients) {
        client->Drop();
        delete client;
    }
}

bool TRotorServer::Listening() const {
    return !listeners_.empty();
}

quint16 TRotorServer::Port() const {
    return listeners_.empty() ? 0 : listeners_.front()->serverPort();
}

int TRotorServer::ClientCount() const {
    return static_cast<int>(clients_.size());
}

void TRotorServer::AcceptClients(QTcpServer* listener) {
    while (QTcpSocket* socket = listener->nextPendingConnection()) {
        if (clients_.size() >= MaxClients) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        clients_.push_back(new TClient(*this, socket));
    }
}

void TRotorServer::Forget(TClient* client) {
    const auto found = std::find(clients_.begin(), clients_.end(), client);
    if (found == clients_.end()) return;
    clients_.erase(found);
    client->Drop();
    client->deleteLater();
}

}  // namespace skyvane
