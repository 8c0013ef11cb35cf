#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fstream>
#include <functional>
#include <memory>

#include "CardRules.h"
#include "CardWindow.h"
#include "ManualClock.h"
#include "ScriptedLine.h"
#include "WindowSandbox.h"
#include "app/DeviceStartup.h"
#include "app/DialogColours.h"
#include "app/MainDialog.h"
#include "app/SessionEnd.h"
#include "app/SingleInstance.h"
#include "dialup/DialupConnection.h"
#include "dialup/DialupPaths.h"
#include "dialup/Phonebook.h"
#include "modem/ModemDeviceClass.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"
#include "pages/DialogUnits.h"
#include "vcard/VirtualCard.h"

namespace veltro {

namespace {

using test::kStartupLimitMs;
using test::RunStartup;
constexpr char kDeviceName[] = "VeltroGSM无线调制解调器";

QAction* ActionNamed(QMenu& menu, const char* text) {
    for (QAction* action : menu.actions()) {
        if (action->text() == QString::fromUtf8(text)) {
            return action;
        }
    }
    return nullptr;
}

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

// Every test runs in a folder of its own: current directory (the data files), the
// configuration, state and runtime folders, and the device table.
class MainDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::WindowSandbox> dir_;
    std::unique_ptr<vcard::VirtualCard> card_;

    vcard::VirtualCard& StartCard(vcard::CardOptions options) {
        card_ = test::StartCard(*dir_, options);
        if (!card_) {
            qFatal("the virtual card did not start");
        }
        return *card_;
    }

    static std::unique_ptr<MainDialog> RealDialog() {
        Clock& clock = SystemClock::Instance();
        return std::make_unique<MainDialog>(clock, SerialPort::Factory(clock));
    }

    // Answers the save-failure box, once it is up, with the button of that text after
    // running before.
    static void AnswerSaveBox(const char* button, std::function<void()> before) {
        QTimer::singleShot(0, [button, before] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            QCOMPARE(box->windowTitle(), QString::fromUtf8(MainDialog::kSaveFailedTitle));
            before();
            for (QAbstractButton* candidate : box->buttons()) {
                if (candidate->text() == QString::fromUtf8(button)) {
                    candidate->click();
                    return;
                }
            }
            QFAIL(button);
        });
    }

    // The state every outcome but success leaves.
    static void VerifyFailedState(MainDialog& dialog, const QString& text) {
        QCOMPARE(dialog.StatusLine().text(), text);
        QVERIFY(dialog.NoSignalIcon().isVisible());
        QCOMPARE(dialog.NoSignalIcon().size(), QSize(16, 16));
        QVERIFY(!dialog.SignalIcon().isVisible());
        QVERIFY(!dialog.OperatorLogo().isVisible());
        for (SkinButton* button : {&dialog.ConnectButton(), &dialog.CallButton(),
                                   &dialog.SmsButton(), &dialog.PhonebookButton()}) {
            QVERIFY(!button->isEnabled());
        }
        QVERIFY(!dialog.Call().IsTimer1Active());
        QVERIFY(!dialog.Inbox().IsTimer1Active());
        QCOMPARE(dialog.CanClose(), 1);
    }

private slots:
    void initTestCase() { DialogColours::Apply(); }

    void init() { dir_ = std::make_unique<test::WindowSandbox>(); }

    void cleanup() {
        card_.reset();
        dir_.reset();
    }

    // A contact is in "vc.dat" as soon as it is added; a kill with SIGTERM ends the
    // window with both files written, the fetched message among them.
    void contactsAndMessagesSurviveATerminationSignal() {
        vcard::VirtualCard& card = StartCard({});
        auto dialog = RealDialog();
        QCOMPARE(RunStartup(*dialog), int(DeviceStartup::kSuccess));

        dialog->Phonebook().NameField().setText(QString::fromUtf8("李四"));
        dialog->Phonebook().NumberField().setText(QStringLiteral("10010"));
        dialog->Phonebook().AddEntry();
        QVERIFY(Contents(QStringLiteral("vc.dat")).contains(QByteArray("10010")));

        card.AddMessage("13800138000", "Termination test");
        QTRY_COMPARE_WITH_TIMEOUT(dialog->Inbox().Messages().rowCount(), 1, 30000);

        SessionEnd sessionEnd;
        QVERIFY(sessionEnd.Install());
        connect(&sessionEnd, &SessionEnd::requested, dialog.get(),
                [&dialog] { dialog->Connection().EndForSession(); });
        QSignalSpy ended(dialog.get(), &MainDialog::ended);
        QVERIFY(std::raise(SIGTERM) == 0);
        QVERIFY(ended.wait(10000) || !ended.isEmpty());
        QVERIFY(Contents(QStringLiteral("sms.dat")).contains(QByteArray("Termination test")));
        QVERIFY(Contents(QStringLiteral("vc.dat")).contains(QByteArray("10010")));
    }

    void successfulStartupOnTheVirtualCard() {
        vcard::VirtualCard& card = StartCard({});
        auto dialog = RealDialog();
        QSignalSpy texts(dialog.get(), &MainDialog::statusTextChanged);
        QSignalSpy ended(dialog.get(), &MainDialog::ended);
        QSignalSpy finished(dialog.get(), &MainDialog::startupFinished);
        dialog->Initialise(nullptr);
        dialog->show();

        // Close requests while the sequence runs are ignored.
        QVERIFY(texts.wait(10000));
        QCOMPARE(dialog->CanClose(), 0);
        dialog->close();
        dialog->CloseButton().click();
        QVERIFY(ended.isEmpty());
        QVERIFY(dialog->isVisible());

        QVERIFY(finished.wait(kStartupLimitMs) || !finished.isEmpty());
        QCOMPARE(finished.at(0).at(0).toInt(), int(DeviceStartup::kSuccess));
        QStringList shown;
        for (const QList<QVariant>& change : texts) {
            shown << change.at(0).toString();
        }
        QCOMPARE(shown, QStringList({QString::fromUtf8(MainDialog::kStartingText),
                                     QString::fromUtf8(DeviceStartup::kSearchingText),
                                     QString::fromUtf8(DeviceStartup::kWelcomeText)}));
        QCOMPARE(dialog->StatusLine().text(),
                 QString::fromUtf8(
                     "欢迎使用 VeltroGPRS无线上网卡\n\n请点击\"连接\"按钮登录 Internet..."));

        QVERIFY(dialog->SignalIcon().isVisible());
        QVERIFY(dialog->OperatorLogo().isVisible());
        QVERIFY(dialog->GprsIcon().isVisible());
        QVERIFY(!dialog->NoSignalIcon().isVisible());
        QVERIFY(!dialog->NewMessageIcon().isVisible());
        // Indicators take their image sizes at their template corners.
        QCOMPARE(dialog->SignalIcon().geometry(),
                 QRect(dialog->TemplateRect(MainDialog::kSignalIcon).topLeft(), QSize(16, 16)));
        QCOMPARE(dialog->OperatorLogo().geometry(),
                 QRect(dialog->TemplateRect(MainDialog::kOperatorLogo).topLeft(), QSize(48, 12)));
        QCOMPARE(dialog->GprsIcon().geometry(),
                 QRect(dialog->TemplateRect(MainDialog::kGprsIcon).topLeft(), QSize(28, 12)));
        for (SkinButton* button : {&dialog->ConnectButton(), &dialog->CallButton(),
                                   &dialog->SmsButton(), &dialog->PhonebookButton()}) {
            QVERIFY(button->isEnabled());
        }
        QVERIFY(dialog->Call().IsTimer1Active());
        QCOMPARE(dialog->Call().Timer1Period(), 950);
        QVERIFY(dialog->Inbox().IsTimer1Active());
        QCOMPARE(dialog->Inbox().Timer1Period(), 5050);
        QCOMPARE(dialog->CanClose(), 1);
        QCOMPARE(QString::fromUtf8(dialog->PortName()), QString::fromStdString(card.PortName()));

        // The dial-up entry was made on the card's modem device.
        DialupEntry entry;
        QCOMPARE(Phonebook(DialupPaths::DefaultPhonebook()).Read("VLGPRS", entry), 0);
        QCOMPARE(QString::fromStdString(entry.deviceName), QString::fromUtf8(kDeviceName));

        // Switching views: one element at a time, the inbox hides the envelope, and
        // the signal icons follow the card's value.
        dialog->NewMessageIcon().show();
        dialog->ShowPage(MainDialog::kInboxView);
        QVERIFY(dialog->Inbox().isVisible());
        QVERIFY(!dialog->StatusLine().isVisible());
        QVERIFY(!dialog->NewMessageIcon().isVisible());
        QCOMPARE(dialog->Inbox().geometry(), dialog->PageRect());
        // The page reaches into the buttons' tops; the buttons stay whole above it.
        for (SkinButton* button : {&dialog->ConnectButton(), &dialog->CallButton(),
                                   &dialog->SmsButton(), &dialog->PhonebookButton()}) {
            QVERIFY(dialog->PageRect().contains(button->geometry().topLeft()));
            QCOMPARE(dialog->childAt(button->geometry().topLeft()), button);
        }

        // The page polls would queue jobs now and then: they stop, and whatever runs is
        // let finish.
        dialog->Call().StopTimer1();
        dialog->Inbox().StopTimer1();
        QTRY_VERIFY_WITH_TIMEOUT(dialog->Session().Idle(), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->SignalReading(), 5000);  // the inbox view's reading
        const struct {
            int signal;
            int view;
            bool noSignal;
        } steps[] = {{100, MainDialog::kCallView, true},
                     {31, MainDialog::kPhonebookView, false},
                     {99, MainDialog::kComposeView, false},
                     {150, MainDialog::kInboxView, true}};
        for (const auto& step : steps) {
            card.SetSignal(step.signal);
            dialog->ShowPage(step.view);
            QTRY_VERIFY_WITH_TIMEOUT(!dialog->SignalReading(), 5000);
            QVERIFY2(dialog->NoSignalIcon().isVisible() == step.noSignal,
                     qPrintable(QString::number(step.signal)));
            QVERIFY(dialog->SignalIcon().isVisible() == !step.noSignal);
        }
        // A view switch shows its page at once; the icons follow when the modem has
        // answered, and a second switch meanwhile starts no second reading.
        card.SetSignal(20);
        dialog->ShowPage(MainDialog::kCallView);
        QVERIFY(dialog->Call().isVisible());
        QVERIFY(dialog->SignalReading());
        QVERIFY(dialog->NoSignalIcon().isVisible());
        dialog->ShowPage(MainDialog::kPhonebookView);
        QVERIFY(dialog->Phonebook().isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(dialog->SignalIcon().isVisible(), 5000);
        QVERIFY(!dialog->NoSignalIcon().isVisible());
        QVERIFY(!dialog->SignalReading());

        dialog->ShowPage(MainDialog::kStatusView);
        QVERIFY(dialog->StatusLine().isVisible());
        QVERIFY(!dialog->Inbox().isVisible());
        dialog->ShowPage(6);
        QVERIFY(!dialog->StatusLine().isVisible());

        // Now a close request ends the window and saves both files.
        dialog->Phonebook().Entries().appendRow(
            {new QStandardItem(QStringLiteral("张三")), new QStandardItem("13800138000")});
        dialog->close();
        QCOMPARE(ended.count(), 1);
        QCOMPARE(Contents(QStringLiteral("vc.dat")).size(), 48);
        QVERIFY(QFileInfo::exists(QStringLiteral("sms.dat")));
    }

    void registrationFiveLeavesGprsIconHidden() {
        vcard::CardOptions options;
        options.registration = 5;
        StartCard(options);
        auto dialog = RealDialog();
        QCOMPARE(RunStartup(*dialog), int(DeviceStartup::kSuccess));
        QVERIFY(!dialog->GprsIcon().isVisible());
        QVERIFY(dialog->SignalIcon().isVisible());
        QCOMPARE(dialog->StatusLine().text(), QString::fromUtf8(DeviceStartup::kWelcomeText));
        QVERIFY(dialog->ConnectButton().isEnabled());
    }

    void failuresOnTheVirtualCard_data() {
        QTest::addColumn<bool>("cardPresent");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("text");
        QTest::newRow("no card") << false << int(DeviceStartup::kNoModem)
                                 << QStringLiteral("请检查GPRS设备及驱动程序是否正确安装");
        QTest::newRow("no SIM") << true << int(DeviceStartup::kNoSimCard)
                                << QStringLiteral("无法检测到SIM卡");
    }
    void failuresOnTheVirtualCard() {
        QFETCH(bool, cardPresent);
        QFETCH(int, outcome);
        QFETCH(QString, text);
        if (cardPresent) {
            vcard::CardOptions options;
            options.sim = vcard::SimState::Absent;
            StartCard(options);
        }
        auto dialog = RealDialog();
        QCOMPARE(RunStartup(*dialog), outcome);
        VerifyFailedState(*dialog, text);
        // Without a modem device the program's dial-up entry is removed.
        DialupEntry entry;
        QCOMPARE(Phonebook(DialupPaths::DefaultPhonebook()).Read("VLGPRS", entry) == 0,
                 cardPresent);
    }

    // The retries and pauses of the sequence, in virtual time on a scripted modem.
    void retriesAndPauses_data() {
        QTest::addColumn<bool>("inTable");
        QTest::addColumn<QString>("ignored");  // a command the modem never answers
        QTest::addColumn<QString>("registration");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("counted");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("no modem: 4 searches")
            << false << QString() << "1" << int(DeviceStartup::kNoModem) << "AT+CGMI" << 0
            << QString::fromUtf8(DeviceStartup::kNoModemText);
        QTest::newRow("initialisation fails 6 times")
            << true << "AT+CNMI=0,1,0,0,0"
            << "1" << int(DeviceStartup::kInitialisationFailed) << "AT+CNMI=0,1,0,0,0" << 6
            << QString::fromUtf8(DeviceStartup::kInitialisationFailedText);
        // Five checks, and after the first one question whether the SIM waits for a PIN.
        QTest::newRow("SIM check fails 5 times")
            << true << "AT+CPIN?"
            << "1" << int(DeviceStartup::kNoSimCard) << "AT+CPIN?" << 6
            << QString::fromUtf8(DeviceStartup::kNoSimText);
        QTest::newRow("roaming: 3 attach rounds")
            << true << QString() << "5" << int(DeviceStartup::kSuccess) << "AT+CGATT=1" << 3
            << QString::fromUtf8(DeviceStartup::kWelcomeText);
        QTest::newRow("registered: 1 attach round")
            << true << QString() << "1" << int(DeviceStartup::kSuccess) << "AT+CGATT=1" << 1
            << QString::fromUtf8(DeviceStartup::kWelcomeText);
    }
    void retriesAndPauses() {
        QFETCH(bool, inTable);
        QFETCH(QString, ignored);
        QFETCH(QString, registration);
        QFETCH(int, outcome);
        QFETCH(QString, counted);
        QFETCH(int, count);
        QFETCH(QString, text);

        auto modem = std::make_shared<test::ScriptedLine::Shared>();
        modem->rules = test::CardRules("BenQ", registration.toInt());
        test::IgnoreCommand(modem->rules, ignored.toStdString());
        if (inTable) {
            dir_->WriteTable({{kDeviceName, "pts/77"}});
        }
        test::ManualClock clock;
        const std::uint64_t start = clock.NowMs();
        MainDialog dialog(clock, test::ScriptedLine::Factory(clock, modem));
        QCOMPARE(RunStartup(dialog), outcome);
        QCOMPARE(dialog.StatusLine().text(), text);
        QCOMPARE(int(std::count(modem->lines.begin(), modem->lines.end(), counted.toStdString())),
                 count);
        if (!inTable) {
            // 300 ms after each failed search, then 100 ms.
            QCOMPARE(clock.NowMs() - start, std::uint64_t{4 * 300 + 100});
        }
        if (outcome == DeviceStartup::kSuccess) {
            QCOMPARE(dialog.GprsIcon().isVisible(), registration == QStringLiteral("1"));
            QCOMPARE(modem->lines.back(), std::string("ATS0=0"));
        }
    }

    void firstWindowState() {
        auto dialog = RealDialog();
        QCOMPARE(dialog->StatusLine().text(), QString::fromUtf8(MainDialog::kStartingText));
        QCOMPARE(dialog->StatusLine().geometry(), dialog->TemplateRect(MainDialog::kStatusLine));
        QVERIFY(!dialog->ConnectButton().isEnabled());
        QCOMPARE(dialog->ConnectButton().text(), QStringLiteral("连接"));
        QCOMPARE(dialog->PhonebookButton().text(), QStringLiteral("通讯录"));
        QCOMPARE(RunStartup(*dialog), int(DeviceStartup::kNoModem));
        // The window takes the skin's size and keeps it.
        QCOMPARE(dialog->size(), QSize(510, 390));
        QCOMPARE(dialog->PageRect(), QRect(40, 56, 420, 264));
        // The rectangles docs/look.md lists for the skin.
        QCOMPARE(dialog->MinimiseButton().geometry(), QRect(462, 9, 14, 14));
        QCOMPARE(dialog->CloseButton().geometry(), QRect(479, 9, 13, 14));
        QCOMPARE(dialog->NewMessageIcon().geometry(), QRect(308, 15, 30, 30));
        QCOMPARE(dialog->PhonebookButton().geometry(), QRect(435, 314, 51, 28));
        QCOMPARE(dialog->StatusLine().geometry(), QRect(144, 131, 221, 34));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Veltro科技 GPRS 应用软件"));
        QCOMPARE(dialog->TrayIcon().toolTip(), dialog->windowTitle());
        QVERIFY(!dialog->mask().isEmpty());
        QVERIFY(!dialog->mask().contains(QPoint(0, 0)));
        QVERIFY(dialog->mask().contains(QPoint(255, 195)));
        for (QWidget* page : std::initializer_list<QWidget*>{&dialog->Traffic(), &dialog->Call(),
                                                             &dialog->Phonebook(), &dialog->Inbox(),
                                                             &dialog->Compose()}) {
            QVERIFY(!page->isVisible());
            QCOMPARE(page->geometry(), dialog->PageRect());
        }
        QCOMPARE(dialog->SmsMenu().actions().size(), 3);
        QVERIFY(ActionNamed(dialog->SmsMenu(), "编写新短信") != nullptr);
        QVERIFY(ActionNamed(dialog->SmsMenu(), "查询余额") != nullptr);
        QVERIFY(ActionNamed(dialog->TrayMenu(), "查询余额") != nullptr);
        QVERIFY(ActionNamed(dialog->TrayMenu(), "关于(&A)") != nullptr);

        // Enter and Escape never end the window; a double click never maximises it.
        QSignalSpy ended(dialog.get(), &MainDialog::ended);
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QTest::keyClick(dialog.get(), Qt::Key_Return);
        QTest::mouseDClick(dialog.get(), Qt::LeftButton, {}, QPoint(20, 200));
        QVERIFY(ended.isEmpty());
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->isMaximized());

        // The menu commands switch views.
        ActionNamed(dialog->SmsMenu(), "编写新短信")->trigger();
        QVERIFY(dialog->Compose().isVisible());
        ActionNamed(dialog->SmsMenu(), "收件箱")->trigger();
        QVERIFY(dialog->Inbox().isVisible());
        QVERIFY(!dialog->Compose().isVisible());

        // The SMS button opens its menu at the button's left edge, just below it.
        SkinButton& sms = dialog->SmsButton();
        sms.setEnabled(true);
        dialog->move(0, 0);
        QTest::mouseClick(&sms, Qt::LeftButton);
        QTRY_VERIFY(dialog->SmsMenu().isVisible());
        QCOMPARE(dialog->SmsMenu().pos(), sms.mapToGlobal(QPoint(0, sms.height())));
        dialog->SmsMenu().hide();
    }

    // The layout keeps to the skin whatever font is installed: with another face, and
    // with one half as large again, every control lies inside the window and the
    // three-line welcome text fits its line.
    void layoutKeepsToTheSkinWithAnotherFont_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<double>("scale");
        QTest::newRow("Song face") << QString() << 1.0;
        QTest::newRow("Song face at 1.5") << QString() << 1.5;
        QTest::newRow("DejaVu Sans") << QStringLiteral("DejaVu Sans") << 1.0;
        QTest::newRow("DejaVu Serif at 1.5") << QStringLiteral("DejaVu Serif") << 1.5;
    }
    void layoutKeepsToTheSkinWithAnotherFont() {
        QFETCH(QString, family);
        QFETCH(double, scale);
        const QString song = QStringLiteral("宋体");
        const QStringList substitutes = QFont::substitutes(song);
        if (!family.isEmpty()) {
            QFont::removeSubstitutions(song);
            QFont::insertSubstitution(song, family);
        }
        auto dialog = RealDialog();
        QFont font = DialogUnits::DialogFont();
        font.setPointSizeF(font.pointSizeF() * scale);
        dialog->setFont(font);
        QCOMPARE(RunStartup(*dialog), int(DeviceStartup::kNoModem));
        if (!family.isEmpty()) {
            QCOMPARE(QFontInfo(dialog->font()).family(), family);
        }
        dialog->SetStatusText(QString::fromUtf8(DeviceStartup::kWelcomeText));

        QCOMPARE(dialog->size(), QSize(510, 390));
        QCOMPARE(dialog->ConnectButton().geometry(), QRect(273, 314, 51, 28));
        for (const QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!child->isWindow()) {
                QVERIFY2(dialog->rect().contains(child->geometry()),
                         qPrintable(child->metaObject()->className()));
            }
        }
        const QLabel& line = dialog->StatusLine();
        const QRect text = line.fontMetrics().boundingRect(
            QRect(0, 0, line.width(), 10000), Qt::AlignHCenter | Qt::TextWordWrap, line.text());
        QVERIFY2(text.height() <= line.height(),
                 qPrintable(QStringLiteral("%1 > %2").arg(text.height()).arg(line.height())));
        QVERIFY(dialog->PageRect().contains(line.geometry()));
        QCOMPARE(line.geometry().topLeft(),
                 dialog->TemplateRect(MainDialog::kStatusLine).topLeft());

        dialog.reset();
        QFont::removeSubstitutions(song);
        QFont::insertSubstitutions(song, substitutes);
    }

    // A save that fails at close tells the user and keeps the window until the lists
    // are saved: here a folder stands where "sms.dat" belongs, which stops root too.
    void failedSaveAtCloseKeepsTheWindow() {
        auto dialog = RealDialog();
        QCOMPARE(RunStartup(*dialog), int(DeviceStartup::kNoModem));
        QSignalSpy ended(dialog.get(), &MainDialog::ended);
        QVERIFY(QDir().mkpath(QStringLiteral("sms.dat/in-the-way")));
        dialog->Inbox().AddMessage({"08:00:00", "10086", QStringLiteral("话费提醒")});
        dialog->ShowPage(MainDialog::kInboxView);

        AnswerSaveBox("取消", [] {});
        dialog->close();
        QVERIFY(ended.isEmpty());
        QVERIFY(dialog->isVisible());
        QVERIFY(dialog->StatusLine().isVisible());
        QCOMPARE(dialog->StatusLine().text(), QString::fromUtf8(MainDialog::kNotSavedText));

        // Trying again once the way is clear saves and ends.
        AnswerSaveBox("重试(&R)", [] { QDir(QStringLiteral("sms.dat")).removeRecursively(); });
        ActionNamed(dialog->TrayMenu(), "退出(&X)")->trigger();
        QCOMPARE(ended.count(), 1);
        QCOMPARE(Contents(QStringLiteral("sms.dat")).size(), 320);
    }

    void failedSaveCanGoToAnotherFolder() {
        auto dialog = RealDialog();
        QCOMPARE(RunStartup(*dialog), int(DeviceStartup::kNoModem));
        QSignalSpy ended(dialog.get(), &MainDialog::ended);
        QVERIFY(QDir().mkpath(QStringLiteral("vc.dat/in-the-way")));
        QVERIFY(QDir().mkdir(QStringLiteral("elsewhere")));
        const QString elsewhere = QDir().absoluteFilePath(QStringLiteral("elsewhere"));
        dialog->Phonebook().Entries().appendRow({new QStandardItem("A"), new QStandardItem("1")});
        AnswerSaveBox("另存到...(&S)", [elsewhere] {
            QTimer::singleShot(0, [elsewhere] {
                auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                QVERIFY(chooser != nullptr);
                chooser->setDirectory(elsewhere);
                chooser->selectFile(elsewhere);
                static_cast<QDialog*>(chooser)->accept();
            });
        });
        dialog->RequestClose();
        QCOMPARE(ended.count(), 1);
        QCOMPARE(Contents(QStringLiteral("elsewhere/vc.dat")).size(), 48);
    }

    void trayClickTogglesTheWindow() {
        auto dialog = RealDialog();
        QCOMPARE(RunStartup(*dialog), int(DeviceStartup::kNoModem));
        emit dialog->TrayIcon().activated(QSystemTrayIcon::Trigger);
        QTRY_VERIFY(dialog->isMinimized());
        // Hidden only where a tray can bring it back.
        QCOMPARE(dialog->isVisible(), !QSystemTrayIcon::isSystemTrayAvailable());
        emit dialog->TrayIcon().activated(QSystemTrayIcon::Trigger);
        QTRY_VERIFY(!dialog->isMinimized());
        QVERIFY(dialog->isVisible());
        // A right click only opens the menu.
        emit dialog->TrayIcon().activated(QSystemTrayIcon::Context);
        QVERIFY(!dialog->isMinimized());
    }

    // A message or a call is told to the desktop only while the window is out of sight,
    // as plain text; a click on the notice brings the window forward on its page.
    void noticesOnlyWhileOutOfSight() {
        struct StandIn : DesktopNotices::Notifier {
            QStringList* shown;
            explicit StandIn(QStringList* list) : shown(list) {}
            void Notify(const QString& title, const QString& text) override {
                shown->append(title + '|' + text);
            }
        };
        QStringList shown;
        auto dialog = RealDialog();
        QCOMPARE(RunStartup(*dialog), int(DeviceStartup::kNoModem));
        dialog->Notices().SetNotifier(std::make_unique<StandIn>(&shown));
        dialog->Announce(MainDialog::kInboxView, QStringLiteral("新短信：10086"),
                         QStringLiteral("余额"));
        QVERIFY(shown.isEmpty());
        dialog->MinimiseToTray();
        QTRY_VERIFY(dialog->isMinimized());
        dialog->Announce(MainDialog::kInboxView, QStringLiteral("新短信：10086"),
                         QStringLiteral("<b>余额</b> 12.5\n第二行"));
        QCOMPARE(shown, QStringList{QStringLiteral("新短信：10086|&lt;b&gt;余额&lt;/b&gt; 12.5")});
        dialog->Notices().Clicked();
        QTRY_VERIFY(!dialog->isMinimized());
        QVERIFY(dialog->Inbox().isVisible());
    }

    // The card's and pppd's words are shown as written, never read as markup.
    void cardTextsAreNeverMarkup() {
        auto dialog = RealDialog();
        dialog->ShowOtherMaker(QStringLiteral("<img src=\"/etc/x.png\">Maker"));
        QVERIFY(dialog->toolTip().contains(QStringLiteral("&lt;img")));
        dialog->ShowOtherMaker(QStringLiteral("Maker Inc."));
        QCOMPARE(dialog->toolTip(), QStringLiteral("Maker Inc."));
        QCOMPARE(dialog->StatusLine().textFormat(), Qt::PlainText);
    }

    // "退出(&X)" ends at once, also while the sequence runs, and keeps the lists.
    void trayExitSavesBothFiles() {
        auto dialog = RealDialog();
        QSignalSpy ended(dialog.get(), &MainDialog::ended);
        dialog->Initialise(nullptr);
        dialog->show();
        dialog->RequestClose();
        QVERIFY(ended.isEmpty());
        dialog->Inbox().AddMessage({"08:00:00", "10086", QStringLiteral("话费提醒")});
        dialog->Phonebook().Entries().appendRow({new QStandardItem("A"), new QStandardItem("1")});
        ActionNamed(dialog->TrayMenu(), "退出(&X)")->trigger();
        QCOMPARE(ended.count(), 1);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(Contents(QStringLiteral("sms.dat")).size(), 320);
        QCOMPARE(Contents(QStringLiteral("vc.dat")).size(), 48);
        dialog.reset();  // joins the start-up worker

        // The next run reads them back.
        auto next = RealDialog();
        QCOMPARE(RunStartup(*next), int(DeviceStartup::kNoModem));
        QCOMPARE(next->Inbox().Messages().rowCount(), 1);
        QCOMPARE(next->Inbox().Messages().index(0, 2).data().toString(),
                 QStringLiteral("话费提醒"));
    }

    // A second copy of the program, started while this window is hidden, brings it
    // back and ends.
    void secondCopyActivatesTheFirst() {
        const QString program =
            QCoreApplication::applicationDirPath() + QStringLiteral("/veltrogprs");
        if (!QFileInfo::exists(program)) {
            QSKIP("veltrogprs is not built");
        }
        SingleInstance first(QStringLiteral("veltrogprs"), dir_->filePath(QStringLiteral("run")));
        QVERIFY(first.Claim());
        auto dialog = RealDialog();
        QCOMPARE(RunStartup(*dialog, &first), int(DeviceStartup::kNoModem));
        dialog->showMinimized();
        dialog->hide();

        QProcess second;
        second.start(program, {});
        QVERIFY(second.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 10000);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->isMinimized());
    }
};

}  // namespace veltro

QTEST_MAIN(veltro::MainDialogTest)
#include "test_main_dialog.moc"
