#include "hand_over.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QLocalServer>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"
#include "../support/window_controls.h"
#include "file_browser.h"
#include "hand_over_receiver.h"
#include "hand_over_server.h"
#include "main_window.h"
#include "ultrabox.h"

using namespace std::chrono_literals;
using hand_over::MessageState;

namespace {

using testing_support::Radio;

std::string Header(std::uint32_t size) {
    std::string h = "TQHO";
    for (int shift = 0; shift < 32; shift += 8) {
        h += static_cast<char>((size >> shift) & 0xFF);
    }
    return h;
}

}  // namespace

TEST(HandOverMessage, DecodesWholeMessagesAndTellsWhatIsWrongWithOthers) {
    const std::string path = "/home/u/Musik/Abba - Sos.mp3";
    const std::string good = hand_over::Encode(path);
    ASSERT_EQ(good, Header(static_cast<std::uint32_t>(path.size())) + path);
    struct Case {
        std::string bytes;
        hand_over::Message expected;
    };
    const Case cases[] = {
        {good, {MessageState::Complete, path}},
        {hand_over::Encode(""), {MessageState::Complete, ""}},
        // Any beginning of a good message waits for more.
        {"", {MessageState::Incomplete, {}}},
        {"TQ", {MessageState::Incomplete, {}}},
        {good.substr(0, 8), {MessageState::Incomplete, {}}},
        {good.substr(0, good.size() - 1), {MessageState::Incomplete, {}}},
        // A wrong tag is refused at its first byte.
        {"X", {MessageState::Malformed, {}}},
        {"TQHX" + good.substr(4), {MessageState::Malformed, {}}},
        {"GET / HTTP/1.0\r\n\r\n", {MessageState::Malformed, {}}},
        // Nothing but the one path.
        {good + "x", {MessageState::Malformed, {}}},
        {good + good, {MessageState::Malformed, {}}},
        {Header(5) + "a.mp3", {MessageState::Malformed, {}}},
        {Header(7) + std::string("/a\0.mp3", 7), {MessageState::Malformed, {}}},
        // The length is checked before a single byte of the path is waited for.
        {Header(4097), {MessageState::Oversized, {}}},
        {Header(0xFFFFFFFFu), {MessageState::Oversized, {}}},
        {Header(4096) + "/" + std::string(4095, 'a'),
         {MessageState::Complete, "/" + std::string(4095, 'a')}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hand_over::Decode(c.bytes), c.expected) << testing::PrintToString(c.bytes);
    }
    // What cannot be carried is not encoded.
    EXPECT_EQ(hand_over::Encode("relative.mp3"), "");
    EXPECT_EQ(hand_over::Encode(std::string("/a\0b", 4)), "");
    EXPECT_EQ(hand_over::Encode("/" + std::string(4096, 'a')), "");
}

TEST(HandOverMessage, SocketLiesBesideTheLock) {
    EXPECT_EQ(hand_over::SocketPath("/run/user/1000/tonquell-1000-00ff.lock"),
              "/run/user/1000/tonquell-1000-00ff.sock");
    EXPECT_EQ(hand_over::SocketPath("/tmp/x"), "/tmp/x.sock");
}

namespace {

// A raw client: connects to `socketPath`, sends `bytes`, and returns the answer byte, or -1
// when the listener closed without one, -2 when it could not connect.
int RawExchange(const std::string& socketPath, const std::string& bytes, int waitMs = 5000) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.data(), socketPath.size());
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        return -2;
    }
    if (!bytes.empty()) {
        (void)!::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
    timeval timeout{waitMs / 1000, (waitMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    char answer = 0;
    const ssize_t n = ::recv(fd, &answer, 1, 0);
    ::close(fd);
    return n == 1 ? answer : -1;
}

// A listening server in a temporary folder; exchanges run on a thread while the test's
// event loop serves the server.
class HandOverServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        socket_ = dir_.File("tonquell-test.sock");
        ASSERT_TRUE(server_.Listen(socket_));
    }
    // Runs `exchange` on a thread and serves the server until it returns.
    template <typename F>
    auto Serve(F exchange) {
        auto result = std::async(std::launch::async, exchange);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return result.wait_for(0s) == std::future_status::ready; }, 20000));
        return result.get();
    }

    testing_support::TempDir dir_;
    std::string socket_;
    HandOverServer server_;
};

}  // namespace

TEST_F(HandOverServerTest, TakesOnePathAndAnswersIt) {
    QSignalSpy taken(&server_, &HandOverServer::handedOver);
    QSignalSpy refused(&server_, &HandOverServer::refused);
    const std::string path = "/home/u/Zoë/\xff\xfe raw.mp3";  // not valid UTF-8: bytes kept
    EXPECT_EQ(Serve([&] { return hand_over::Send(socket_, path, 2000ms); }),
              hand_over::SendResult::Delivered);
    EXPECT_EQ(Serve([&] { return hand_over::Send(socket_, "", 2000ms); }),
              hand_over::SendResult::Delivered);
    ASSERT_EQ(taken.size(), 2);
    EXPECT_EQ(taken[0][0].toByteArray().toStdString(), path);
    EXPECT_EQ(taken[1][0].toByteArray(), QByteArray());
    EXPECT_EQ(refused.size(), 0);
}

TEST_F(HandOverServerTest, BadMessagesAreClosedWithoutAnAnswerAndReportNothing) {
    QSignalSpy taken(&server_, &HandOverServer::handedOver);
    QSignalSpy refused(&server_, &HandOverServer::refused);
    struct Case {
        std::string bytes;
        QString reason;
    };
    const Case cases[] = {
        {"hello, world", "malformed message"},
        {Header(3) + "a/b", "malformed message"},
        {hand_over::Encode("/a.mp3") + "/b.mp3", "malformed message"},
        {Header(1u << 20) + std::string(64 * 1024, 'a'), "oversized message"},
        // Silence, and half a message, end with the read time-out.
        {"", "incomplete message"},
        {Header(10) + "/a", "incomplete message"},
    };
    for (const Case& c : cases) {
        refused.clear();
        EXPECT_EQ(Serve([&] { return RawExchange(socket_, c.bytes); }), -1)
            << testing::PrintToString(c.bytes);
        ASSERT_TRUE(QTest::qWaitFor([&] { return refused.size() == 1; }, 5000));
        EXPECT_EQ(refused[0][0].toString(), c.reason) << testing::PrintToString(c.bytes);
    }
    EXPECT_EQ(taken.size(), 0);
    // It still serves a good client afterwards.
    EXPECT_EQ(Serve([&] { return hand_over::Send(socket_, "/x.mp3", 2000ms); }),
              hand_over::SendResult::Delivered);
}

TEST_F(HandOverServerTest, AnotherUserIsRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    // Open the way for the other user, so that the kernel's word on the peer is what refuses.
    ASSERT_EQ(::chmod(dir_.Path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(socket_.c_str(), 0777), 0);
    QSignalSpy taken(&server_, &HandOverServer::handedOver);
    QSignalSpy refused(&server_, &HandOverServer::refused);
    const std::string message = hand_over::Encode("/etc/shadow");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(10);
        }
        const int answer = RawExchange(socket_, message);
        ::_exit(answer == -1 ? 0 : answer == -2 ? 11 : 12);
    }
    int status = -1;
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 20000));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: could not drop privileges, 11: could not connect, "
                                         "12: the server answered";
    ASSERT_TRUE(QTest::qWaitFor([&] { return refused.size() == 1; }, 5000));
    EXPECT_EQ(refused[0][0].toString(), "another user");
    EXPECT_EQ(taken.size(), 0);
}

TEST_F(HandOverServerTest, TheSocketIsTheUsersAndAnEndedInstancesSocketIsReplaced) {
    struct stat info {};
    ASSERT_EQ(::stat(socket_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0077, 0u) << std::oct << info.st_mode;
    // A socket file left behind (the server gone without removing it) is taken over.
    const std::string stale = dir_.File("stale.sock");
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, stale.data(), stale.size());
        ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    HandOverServer second;
    ASSERT_TRUE(second.Listen(stale));
    QSignalSpy taken(&second, &HandOverServer::handedOver);
    EXPECT_EQ(Serve([&] { return hand_over::Send(stale, "/a.mp3", 2000ms); }),
              hand_over::SendResult::Delivered);
    EXPECT_EQ(taken.size(), 1);
}

TEST(HandOverSend, NobodyListeningEndsAfterThePatience) {
    testing_support::TempDir dir;
    EXPECT_EQ(hand_over::Send(dir.File("none.sock"), "/a.mp3", 100ms),
              hand_over::SendResult::NoListener);
    // A listener that never answers: the sender gives up rather than hang.
    const std::string path = dir.File("mute.sock");
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fd, 4), 0);
    EXPECT_EQ(hand_over::Send(path, "/a.mp3", 200ms), hand_over::SendResult::Refused);
    ::close(fd);
}

namespace {

const QString kTitle = QStringLiteral("Tonquell Audio Converter");

// A window with a music folder to hand files of.
class HandOverReceiverTest : public ::testing::Test {
protected:
    void SetUp() override {
        music_ = dir_.Path() / "Musik";
        std::filesystem::create_directories(music_);
        for (const char* f : {"a.mp3", "b.ogg", "c.wav"}) {
            testing_support::WriteFile((music_ / f).string(), "x");
        }
        window_.show();
    }
    std::string File(const char* name) const { return (music_ / name).string(); }
    std::vector<QString> Selected() const {
        std::vector<QString> texts;
        for (int i = 1; i <= window_.ubMain()->ListCount(); ++i) {
            if (window_.ubMain()->IsSelected(i)) {
                texts.push_back(window_.ubMain()->List(i));
            }
        }
        return texts;
    }

    testing_support::TempDir dir_;
    std::filesystem::path music_;
    MainWindow window_{kTitle};
    HandOverReceiver receiver_;
    bool busy_ = false;
};

}  // namespace

TEST_F(HandOverReceiverTest, AFileOpensAsAtStartOnceTheWindowIsFree) {
    // Before the window exists, the file waits for it.
    receiver_.Receive(File("a.mp3"));
    EXPECT_EQ(receiver_.Pending(), File("a.mp3"));
    receiver_.Attach(window_, [this] { return busy_; });
    EXPECT_FALSE(receiver_.Pending());
    EXPECT_EQ(window_.browser()->CurrentFolder(), music_.string());
    EXPECT_TRUE(Radio(window_, "optPattern", 4)->isChecked());
    EXPECT_EQ(Selected(), std::vector<QString>{"a.mp3"});
    EXPECT_EQ(window_.windowTitle(), "a.mp3 - " + kTitle);

    // During a run the window is left alone; the latest file waits and opens after it.
    busy_ = true;
    receiver_.Receive(File("c.wav"));
    receiver_.Receive(File("b.ogg"));
    QTest::qWait(3 * HandOverReceiver::kRetryMs);
    EXPECT_EQ(window_.windowTitle(), "a.mp3 - " + kTitle);
    EXPECT_EQ(Selected(), std::vector<QString>{"a.mp3"});
    busy_ = false;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !receiver_.Pending(); }, 5000));
    EXPECT_TRUE(Radio(window_, "optPattern", 6)->isChecked());
    EXPECT_EQ(Selected(), std::vector<QString>{"b.ogg"});
    EXPECT_EQ(window_.windowTitle(), "b.ogg - " + kTitle);
}

TEST_F(HandOverReceiverTest, NoFileOnlyBringsTheWindowForward) {
    receiver_.Attach(window_, [this] { return busy_; });
    window_.OpenFile(File("c.wav"));
    window_.showMinimized();
    receiver_.Receive("");
    EXPECT_FALSE(receiver_.Pending());
    EXPECT_FALSE(window_.isMinimized());
    EXPECT_TRUE(window_.isVisible());
    EXPECT_EQ(window_.windowTitle(), "c.wav - " + kTitle);
    EXPECT_EQ(Selected(), std::vector<QString>{"c.wav"});
}

TEST_F(HandOverReceiverTest, ASecondStartsRelativeFileArrivesAsAFullPath) {
    testing_support::TempDir runtime;
    const std::string lock = runtime.File("tonquell-test.lock");
    HandOverServer server;
    ASSERT_TRUE(ListenForHandOvers(server, receiver_, lock));
    receiver_.Attach(window_, [this] { return busy_; });
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir_.Path());
    auto sent = std::async(std::launch::async,
                           [&] { return HandOverToRunningInstance(lock, "\"Musik/b.ogg\""); });
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return sent.wait_for(0s) == std::future_status::ready; }, 20000));
    std::filesystem::current_path(previous);
    EXPECT_EQ(sent.get(), hand_over::SendResult::Delivered);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window_.windowTitle() == "b.ogg - " + kTitle; }));
    EXPECT_EQ(window_.browser()->CurrentFolder(), music_.string());
    EXPECT_EQ(Selected(), std::vector<QString>{"b.ogg"});
}
