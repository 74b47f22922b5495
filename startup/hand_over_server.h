#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <string>

class QLocalServer;
class QLocalSocket;

// The running instance's end of the hand-over channel: a local socket beside the
// single-instance lock. It takes connections of this user only, reads one message from each
// (at most the header and kMaxPathBytes, within two seconds), answers a good one and reports
// its path; anything else is closed without an answer and reported as refused.
class HandOverServer : public QObject {
    Q_OBJECT
public:
    explicit HandOverServer(QObject* parent = nullptr);
    ~HandOverServer() override;

    // Listens at `socketPath`, first removing a socket an ended instance left there (the
    // caller holds the single-instance lock). The socket is for this user only. False when it
    // cannot listen; later starts then find nobody and end as before.
    bool Listen(const std::string& socketPath);
    // The path listened at; empty when not listening.
    QString SocketPath() const;

    // Connections read at the same time; more are closed at once.
    static constexpr int kMaxConnections = 8;
    // How long one connection may take to send its message, in milliseconds.
    static constexpr int kReadTimeoutMs = 2000;

signals:
    // A later start handed over `path` (raw bytes; empty: only come to the front).
    void handedOver(const QByteArray& path);
    // A connection was closed without taking anything, and why.
    void refused(const QString& reason);

private:
    void Accept();
    void Read(QLocalSocket* socket);
    void Finish(QLocalSocket* socket);
    void Refuse(QLocalSocket* socket, const QString& reason);

    QLocalServer* server_ = nullptr;
    int open_ = 0;
};
