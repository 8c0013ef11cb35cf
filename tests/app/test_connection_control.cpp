#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

#include "CardRules.h"
#include "CardWindow.h"
#include "ManualClock.h"
#include "ScriptedLine.h"
#include "WindowSandbox.h"
#include "app/ConnectionControl.h"
#include "app/DeviceStartup.h"
#include "app/DialogColours.h"
#include "app/MainDialog.h"
#include "dialup/DialupConnection.h"
#include "dialup/DialupPlatform.h"
#include "modem/ModemDeviceClass.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"
#include "vcard/VirtualCard.h"

namespace veltro {

namespace {

using test::RunStartup;
constexpr int kConnectLimitMs = 30000;
constexpr char kDeviceName[] = "VeltroGSM无线调制解调器";

// A dial service whose dials follow a script: each dial takes the next plan (the last
// one repeats). A plan is the states its status reads pass, the last one staying.
class ScriptedDialService final : public DialService {
public:
    struct Plan {
        int dialResult = 0;
        std::vector<int> states;
        std::string reason;
    };
    std::vector<Plan> plans;
    test::ManualClock* clock = nullptr;
    std::vector<std::uint64_t> dialTimes;
    std::vector<ConnectionHandle> hangUps;
    // Real time a hang-up takes, as pppd's link ending does.
    int hangUpMs = 0;
    std::atomic<bool> hangingUp = false;

    int Dial(const DialRequest&, ConnectionHandle& handle) override {
        dialTimes.push_back(clock->NowMs());
        const Plan& plan = Current();
        if (plan.dialResult == 0) {
            handle = static_cast<ConnectionHandle>(100 + dialTimes.size());
            reads_ = 0;
        }
        return plan.dialResult;
    }
    // Each status read stands for one pass of the window's dial wait.
    int GetConnectStatus(ConnectionHandle handle, ConnectionStatus& status) override {
        clock->Advance(ConnectionControl::kDialPassMs);
        if (handle == 0) {
            return 6;
        }
        const Plan& plan = Current();
        status.state = plan.states[std::min(reads_++, plan.states.size() - 1)];
        status.reason = status.state == kStateDisconnected ? plan.reason : "";
        return 0;
    }
    std::optional<std::vector<ActiveConnection>> EnumConnections() override {
        return std::vector<ActiveConnection>{};
    }
    int HangUp(ConnectionHandle handle) override {
        hangingUp = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(hangUpMs));
        hangUps.push_back(handle);
        hangingUp = false;
        return 0;
    }
    int GetStatistics(ConnectionHandle, LinkStatistics&) override { return 668; }

private:
    const Plan& Current() const { return plans[std::min(dialTimes.size(), plans.size()) - 1]; }
    std::size_t reads_ = 0;
};

class ScriptedPlatform final : public DialupPlatform {
public:
    explicit ScriptedPlatform(DialService& dialer) : dialer_(dialer) { Install(this); }
    ~ScriptedPlatform() override { Install(nullptr); }
    DialService& Dialer() override { return dialer_; }

private:
    DialService& dialer_;
};

// The window on a scripted modem and a scripted dial service, in virtual time.
struct ScriptedWindow {
    ScriptedWindow(const test::WindowSandbox& dir, std::vector<ScriptedDialService::Plan> plans) {
        modem->rules = test::CardRules("BenQ");
        dir.WriteTable({{kDeviceName, "pts/77"}});
        dialer.clock = &clock;
        dialer.plans = std::move(plans);
        dialog.Connection().SetDialPassInterval(0);
    }

    std::shared_ptr<test::ScriptedLine::Shared> modem =
        std::make_shared<test::ScriptedLine::Shared>();
    test::ManualClock clock;
    ScriptedDialService dialer;
    ScriptedPlatform platform{dialer};
    MainDialog dialog{clock, test::ScriptedLine::Factory(clock, modem)};
};

// A question as the test saw it, with where the stack stood when it was asked.
struct Asked {
    QString title;
    QString text;
    bool questionIcon;
    std::uintptr_t stack;
    std::uint64_t at;
};

}  // namespace

class ConnectionControlTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::WindowSandbox> dir_;
    std::unique_ptr<vcard::VirtualCard> card_;

    static void VerifyIdle(MainDialog& dialog) {
        QCOMPARE(dialog.ConnectButton().text(), QStringLiteral("连接"));
        QVERIFY(dialog.ConnectButton().isEnabled());
        QCOMPARE(dialog.Connected(), 0);
        QVERIFY(dialog.Session().HasEngine());
        QVERIFY(dialog.Dialup() == nullptr);
        for (SkinButton* button :
             {&dialog.CallButton(), &dialog.SmsButton(), &dialog.PhonebookButton()}) {
            QVERIFY(button->isEnabled());
        }
        QCOMPARE(dialog.Call().Timer1Period(), 950);
        QVERIFY(dialog.Call().IsTimer1Active());
        QCOMPARE(dialog.Inbox().Timer1Period(), 5100);
        QVERIFY(dialog.Inbox().IsTimer1Active());
        QVERIFY(!dialog.Traffic().IsTimer1Active());
        QCOMPARE(dialog.StatusLine().text(), QString::fromUtf8(DeviceStartup::kWelcomeText));
        QCOMPARE(dialog.CanClose(), 1);
    }

    static void VerifyConnected(MainDialog& dialog) {
        QCOMPARE(dialog.ConnectButton().text(), QStringLiteral("断开"));
        QVERIFY(dialog.ConnectButton().isEnabled());
        QCOMPARE(dialog.Connected(), 1);
        QVERIFY(!dialog.Session().HasEngine());
        QVERIFY(dialog.Dialup() != nullptr);
        for (SkinButton* button :
             {&dialog.CallButton(), &dialog.SmsButton(), &dialog.PhonebookButton()}) {
            QVERIFY(!button->isEnabled());
        }
        QVERIFY(!dialog.Call().IsTimer1Active());
        QVERIFY(!dialog.Inbox().IsTimer1Active());
        QVERIFY(dialog.Traffic().IsTimer1Active());
        QCOMPARE(dialog.Traffic().Timer1Period(), 1000);
        QVERIFY(!dialog.Traffic().isHidden());
        QVERIFY(dialog.StatusLine().isHidden());
        // Minimised, and hidden where a tray can bring it back.
        QVERIFY(dialog.isMinimized());
        QCOMPARE(dialog.isVisible(), !QSystemTrayIcon::isSystemTrayAvailable());
    }

    // Waits for the window to be idle again, then checks it.
    static void WaitIdle(MainDialog& dialog) {
        QTRY_VERIFY_WITH_TIMEOUT(dialog.ConnectButton().text() == QStringLiteral("连接") &&
                                     dialog.ConnectButton().isEnabled() &&
                                     !dialog.Connection().Busy(),
                                 kConnectLimitMs);
        VerifyIdle(dialog);
    }

    // Clicks "连接" and waits for the window to connect.
    static bool ConnectOnce(MainDialog& dialog) {
        dialog.ConnectButton().click();
        return QTest::qWaitFor(
            [&] { return dialog.ConnectButton().text() == QStringLiteral("断开"); },
            kConnectLimitMs);
    }

private slots:
    void initTestCase() { DialogColours::Apply(); }

    void init() {
        dir_ = std::make_unique<test::WindowSandbox>();
        qputenv("VELTROGPRS_DIALER", VELTRO_STANDIN_DIALER);
        qunsetenv("VELTROGPRS_RUNTIME_DIR");
    }

    void cleanup() {
        card_.reset();
        dir_.reset();
    }

    // The whole round on the virtual card and the stand-in dialer: connect, the card
    // drops the link, connect again, close.
    void connectDropAndCloseOnTheVirtualCard() {
        card_ = test::StartCard(*dir_);
        QVERIFY(card_);
        Clock& clock = SystemClock::Instance();
        MainDialog dialog(clock, SerialPort::Factory(clock));
        std::vector<Asked> asked;
        bool closeAnswer = false;
        dialog.Connection().SetAsker([&](const ConnectionControl::Question& q) {
            asked.push_back({q.title, q.text, q.questionIcon, 0, 0});
            return closeAnswer;
        });
        QCOMPARE(RunStartup(dialog), int(DeviceStartup::kSuccess));
        QSignalSpy texts(&dialog, &MainDialog::statusTextChanged);

        QVERIFY(ConnectOnce(dialog));
        VerifyConnected(dialog);
        QVERIFY(asked.empty());
        // The dial's progress, in the order of the states.
        QStringList shown;
        for (const QList<QVariant>& change : texts) {
            shown << change.at(0).toString();
        }
        const QStringList progress = {"正在打开通讯端口...",           "通讯端口打开成功.",
                                      "正在进行设备连接...",           "设备连接成功.",
                                      "设备链中的所有设备均连接成功.", "联接远端服务器成功.\n"};
        qsizetype at = -1;
        for (const QString& text : {progress.first(), progress.last()}) {
            const qsizetype found = shown.indexOf(text);
            QVERIFY2(found > at, qPrintable(shown.join(QStringLiteral(" | "))));
            at = found;
        }
        for (const QString& text : shown) {
            QVERIFY2(progress.contains(text) || text.startsWith(QStringLiteral("正在")) ||
                         text.endsWith(QLatin1Char('.')),
                     qPrintable(text));
        }
        // The link carries data: the page counts it.
        QTRY_VERIFY_WITH_TIMEOUT(dialog.Traffic().Values().bytesReceived > 0, 5000);
        QVERIFY(dialog.Traffic().Values().secondsConnected > 0);

        // The card drops the link: back to idle, no question, the window stays hidden.
        texts.clear();
        card_->RemoteHangUp();
        QTRY_VERIFY_WITH_TIMEOUT(dialog.ConnectButton().text() == QStringLiteral("连接") &&
                                     dialog.ConnectButton().isEnabled(),
                                 20000);
        VerifyIdle(dialog);
        QVERIFY(asked.empty());
        QVERIFY(dialog.isMinimized());
        QCOMPARE(texts.first().at(0).toString(),
                 QString::fromUtf8(ConnectionControl::kDisconnectingText));
        dialog.Activate();

        // Connected again: a close asks; No keeps everything.
        QVERIFY(ConnectOnce(dialog));
        QSignalSpy ended(&dialog, &MainDialog::ended);
        dialog.RequestClose();
        QCOMPARE(asked.size(), std::size_t{1});
        QCOMPARE(asked[0].title, QStringLiteral("关闭确认"));
        QCOMPARE(asked[0].text, QStringLiteral("是否要断开连接并关闭？"));
        QVERIFY(!asked[0].questionIcon);
        QVERIFY(ended.isEmpty());
        VerifyConnected(dialog);

        // Yes hangs up, takes the modem back, saves and ends; a close request during
        // the hang-up is ignored.
        int closesDuringDisconnect = 0;
        connect(&dialog, &MainDialog::statusTextChanged, &dialog, [&](const QString& text) {
            if (text == QString::fromUtf8(ConnectionControl::kDisconnectingText)) {
                ++closesDuringDisconnect;
                dialog.RequestClose();
            }
        });
        closeAnswer = true;
        dialog.Phonebook().Entries().appendRow({new QStandardItem("A"), new QStandardItem("1")});
        dialog.RequestClose();
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, kConnectLimitMs);
        QCOMPARE(closesDuringDisconnect, 1);
        QCOMPARE(asked.size(), std::size_t{2});
        QVERIFY(dialog.Session().HasEngine());
        QVERIFY(dialog.Dialup() == nullptr);
        QCOMPARE(QFileInfo(QStringLiteral("vc.dat")).size(), 48);
        ConnectionHandle handle = 0;
        QVERIFY(!DialupConnection().IsConnected(DialupConnection::kEntryName, handle));
    }

    // The questions after a failed and a timed-out dial, in virtual time on a scripted
    // modem: Yes starts a complete new attempt with a new limit, No returns to idle.
    void failedAndTimedOutDials() {
        ScriptedWindow window(
            *dir_, {{0, {kStateConnectDevice, kStateDisconnected}, "Connect script failed"},
                    {0, {kStateConnectDevice}, ""}});
        auto& [modem, clock, dialer, platform, dialog] = window;
        std::vector<Asked> asked;
        dialog.Connection().SetAsker([&](const ConnectionControl::Question& q) {
            asked.push_back({q.title, q.text, q.questionIcon, 0, clock.NowMs()});
            return asked.size() == 1;
        });
        QCOMPARE(RunStartup(dialog), int(DeviceStartup::kSuccess));
        QSignalSpy texts(&dialog, &MainDialog::statusTextChanged);

        dialog.ConnectButton().click();
        WaitIdle(dialog);

        QCOMPARE(asked.size(), std::size_t{2});
        QCOMPARE(asked[0].title, QStringLiteral("错误"));
        QCOMPARE(asked[0].text, QStringLiteral("发生错误,是否重新连接?"));
        QVERIFY(asked[0].questionIcon);
        QCOMPARE(asked[1].title, QStringLiteral("错误"));
        QCOMPARE(asked[1].text, QStringLiteral("在规定的时间内无法接通,是否重新连接?"));
        QCOMPARE(dialer.dialTimes.size(), std::size_t{2});
        // A new limit for the new attempt: more than 30000 ms after its own start.
        QVERIFY(asked[1].at - dialer.dialTimes[1] > 30000);
        QVERIFY(asked[1].at - dialer.dialTimes[1] < 30000 + 1000 + 15000);
        QCOMPARE(dialer.hangUps.size(), std::size_t{2});

        QStringList shown;
        for (const QList<QVariant>& change : texts) {
            shown << change.at(0).toString();
        }
        // The failure in Chinese and pppd's reason below it reach the status line; the
        // retry is announced.
        QVERIFY2(shown.contains(QStringLiteral("已断开.\n拨号失败\nConnect script failed")),
                 qPrintable(shown.join(QStringLiteral(" | "))));
        QVERIFY(shown.contains(QStringLiteral("正在重新尝试连接...")));
    }

    // A user may retry as often as they like: the stack does not grow with each attempt.
    void fiftyRetriesKeepTheStack() {
        ScriptedWindow window(*dir_, {{0, {kStateDisconnected}, "Modem hangup"}});
        auto& [modem, clock, dialer, platform, dialog] = window;
        std::vector<std::uintptr_t> stacks;
        dialog.Connection().SetAsker([&](const ConnectionControl::Question&) {
            const char marker = 0;
            stacks.push_back(reinterpret_cast<std::uintptr_t>(&marker));
            return stacks.size() <= 50;
        });
        QCOMPARE(RunStartup(dialog), int(DeviceStartup::kSuccess));
        dialog.ConnectButton().click();
        WaitIdle(dialog);
        QCOMPARE(stacks.size(), std::size_t{51});
        QCOMPARE(dialer.dialTimes.size(), std::size_t{51});
        QCOMPARE(stacks.front(), stacks.back());
    }

    // A hang-up that takes its time (pppd ending its link) leaves the window running.
    void slowHangUpKeepsTheWindowRunning() {
        ScriptedWindow window(*dir_, {{0, {kStateConnected}, ""}});
        auto& [modem, clock, dialer, platform, dialog] = window;
        QCOMPARE(RunStartup(dialog), int(DeviceStartup::kSuccess));
        QVERIFY(ConnectOnce(dialog));
        VerifyConnected(dialog);

        dialer.hangUpMs = 400;
        int ticksDuringHangUp = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ticksDuringHangUp += dialer.hangingUp ? 1 : 0; });
        ticker.start(20);
        dialog.ConnectButton().click();
        WaitIdle(dialog);
        QCOMPARE(dialer.hangUps.size(), std::size_t{1});
        QVERIFY2(ticksDuringHangUp >= 5, qPrintable(QString::number(ticksDuringHangUp)));
    }

    // A close confirmed while the dial is still running hangs it up before the window
    // ends, and the dial wait gives up.
    void closeDuringTheDialHangsUp() {
        ScriptedWindow window(*dir_, {{0, {kStateConnectDevice}, ""}});
        auto& [modem, clock, dialer, platform, dialog] = window;
        std::vector<Asked> asked;
        dialog.Connection().SetAsker([&](const ConnectionControl::Question& q) {
            asked.push_back({q.title, q.text, q.questionIcon, 0, clock.NowMs()});
            return true;
        });
        QCOMPARE(RunStartup(dialog), int(DeviceStartup::kSuccess));
        QSignalSpy ended(&dialog, &MainDialog::ended);
        connect(&dialog, &MainDialog::statusTextChanged, &dialog, [&](const QString& text) {
            if (text == QStringLiteral("正在进行设备连接...")) {
                QTimer::singleShot(0, &dialog, [&] { dialog.close(); });
            }
        });
        dialog.ConnectButton().click();
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, kConnectLimitMs);
        QCOMPARE(asked.size(), std::size_t{1});
        QCOMPARE(asked[0].text, QStringLiteral("是否要断开连接并关闭？"));
        QCOMPARE(dialer.hangUps.size(), std::size_t{1});
        QVERIFY(dialog.Dialup() == nullptr);
        QVERIFY(clock.NowMs() - dialer.dialTimes[0] < 30000);
    }
};

}  // namespace veltro

QTEST_MAIN(veltro::ConnectionControlTest)
#include "test_connection_control.moc"
