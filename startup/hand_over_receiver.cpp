#include "hand_over_receiver.h"

#include <QApplication>

#include "hand_over_server.h"
#include "main_window.h"
#include "restore.h"

HandOverReceiver::HandOverReceiver(QObject* parent) : QObject(parent) {
    retry_.setInterval(kRetryMs);
    connect(&retry_, &QTimer::timeout, this, &HandOverReceiver::Deliver);
}

void HandOverReceiver::Attach(MainWindow& window, std::function<bool()> busy) {
    window_ = &window;
    busy_ = std::move(busy);
    Deliver();
}

void HandOverReceiver::Receive(const std::string& path) {
    if (window_) {
        window_->BringToFront();
    }
    if (!path.empty()) {
        pending_ = path;  // a later file replaces one still waiting
    }
    Deliver();
}

bool HandOverReceiver::Free() const {
    return window_ && !(busy_ && busy_()) && QApplication::activeModalWidget() == nullptr;
}

void HandOverReceiver::Deliver() {
    if (!pending_) {
        retry_.stop();
        return;
    }
    if (!Free()) {
        // A batch run waits for each transcoder in an event loop of its own, and the
        // hand-over may arrive there: the file waits until the run has ended.
        retry_.start();
        return;
    }
    retry_.stop();
    const std::string path = std::move(*pending_);
    pending_.reset();
    window_->BringToFront();
    window_->OpenFile(path);
}

hand_over::SendResult HandOverToRunningInstance(const std::string& lockPath,
                                                const std::string& argument) {
    std::string file = argument.empty() ? std::string() : CommandLineFile(argument);
    if (!file.empty() && file.front() != '/') {
        file.clear();  // no working folder to place it in: the window only comes forward
    }
    return hand_over::Send(hand_over::SocketPath(lockPath), file, kHandOverPatience);
}

bool ListenForHandOvers(HandOverServer& server, HandOverReceiver& receiver,
                        const std::string& lockPath) {
    QObject::connect(
        &server, &HandOverServer::handedOver, &receiver, [&receiver](const QByteArray& path) {
            receiver.Receive(std::string(path.constData(), static_cast<std::size_t>(path.size())));
        });
    return server.Listen(hand_over::SocketPath(lockPath));
}
