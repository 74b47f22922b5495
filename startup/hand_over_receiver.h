#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>

#include "hand_over.h"

class HandOverServer;
class MainWindow;

// Carries what later starts hand over into the window. The window comes to the front at
// once; a file is opened (as one named at start) only while the window is free: not before
// it exists, not during a batch run, not while a dialog is open. Until then the latest file
// waits and is opened as soon as the window is free again.
class HandOverReceiver : public QObject {
    Q_OBJECT
public:
    explicit HandOverReceiver(QObject* parent = nullptr);

    // Delivers to `window` from now on; `busy` tells when the window must not be changed
    // (a batch run). Files that came before are opened now or once it is free.
    void Attach(MainWindow& window, std::function<bool()> busy);

    // One hand-over: `path` is a full path, or empty to only bring the window to the front.
    void Receive(const std::string& path);

    // The file waiting for the window to be free, if any.
    const std::optional<std::string>& Pending() const { return pending_; }

    // How often a waiting file checks whether the window is free, in milliseconds.
    static constexpr int kRetryMs = 100;

private:
    bool Free() const;
    void Deliver();

    QPointer<MainWindow> window_;
    std::function<bool()> busy_;
    std::optional<std::string> pending_;
    QTimer retry_;
};

// How long a later start waits for the running instance: to find it listening, and again for
// its answer.
inline constexpr std::chrono::milliseconds kHandOverPatience{2000};

// A second start's part: hands the file named by the argument text `argument` (empty: none)
// to the instance holding the single-instance lock at `lockPath`.
hand_over::SendResult HandOverToRunningInstance(const std::string& lockPath,
                                                const std::string& argument);

// The running instance's part: `server` listens beside the lock at `lockPath` and passes
// what it takes to `receiver`. False when it cannot listen (later starts then only end).
bool ListenForHandOvers(HandOverServer& server, HandOverReceiver& receiver,
                        const std::string& lockPath);
