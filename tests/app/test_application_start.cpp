#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>
#include <utility>

#include "app/AboutDialog.h"
#include "app/Application.h"
#include "app/Profile.h"
#include "app/SingleInstance.h"
#include "modem/ModemEngine.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"
#include "pages/DialogUnits.h"
#include "ui/MenuStyle.h"
#include "ui/SkinButton.h"

namespace veltro {

class ApplicationStartTest : public QObject {
    Q_OBJECT

private slots:
    void profileMenuLook_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("selection");
        QTest::addColumn<int>("shade");
        QTest::newRow("missing file") << QByteArray() << 1 << 1;
        QTest::newRow("both keys") << QByteArray("[MenuLook]\nSelection=0\nShade=2\n") << 0 << 2;
        QTest::newRow("one key") << QByteArray("[MenuLook]\nShade=0\n") << 1 << 0;
        QTest::newRow("other section") << QByteArray("[Other]\nSelection=0\n") << 1 << 1;
        QTest::newRow("not a number") << QByteArray("[MenuLook]\nSelection=abc\n") << 1 << 1;
    }
    void profileMenuLook() {
        QFETCH(QByteArray, contents);
        QFETCH(int, selection);
        QFETCH(int, shade);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("veltrogprs.INI"));
        if (!contents.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents);
        }
        const Profile::MenuLook look = Profile::ReadMenuLook(path);
        QCOMPARE(look.selection, selection);
        QCOMPARE(look.shade, shade);
    }

    // Only PortScan=1 in [Modem] selects the scan; engines made afterwards take it.
    void portScanComesFromTheProfile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("veltrogprs.INI"));
        QVERIFY(!Profile::ReadPortScan(path));
        for (const auto& [text, on] :
             {std::pair{"[Modem]\nPortScan=1\n", true}, std::pair{"[Modem]\nPortScan=yes\n", false},
              std::pair{"[Modem]\nPortScan=0\n", false},
              std::pair{"[MenuLook]\nPortScan=1\n", false}}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(text);
            file.close();
            QCOMPARE(Profile::ReadPortScan(path), on);
        }
        qunsetenv("VELTROGPRS_PORT_SCAN");
        ModemEngine::RequestPortScan(true);
        Clock& clock = SystemClock::Instance();
        QVERIFY(ModemEngine(clock, SerialPort::Factory(clock)).UsesPortScan());
        ModemEngine::RequestPortScan(false);
        QVERIFY(!ModemEngine(clock, SerialPort::Factory(clock)).UsesPortScan());
    }

    void menuLookComesFromTheProfile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("veltrogprs.INI"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[MenuLook]\nSelection=0\nShade=0\n");
        file.close();
        Application::ApplyMenuLook(path);
        QCOMPARE(CurrentMenuStyle().Id(), 6);
        QCOMPARE(MenuSelectionOption(), 0);
        QCOMPARE(MenuShadeOption(), 0);
        Application::ApplyMenuLook(dir.filePath(QStringLiteral("missing.INI")));
        QCOMPARE(MenuSelectionOption(), 1);
        QCOMPARE(MenuShadeOption(), 1);
    }

    void aboutBoxClosesWithItsButton() {
        AboutDialog about(nullptr);
        QCOMPARE(about.windowTitle(), QStringLiteral("关于..."));
        QCOMPARE(about.size(), DialogUnits().ToPixels(QSize(187, 57)));
        QStringList texts;
        for (const QLabel* label : about.findChildren<QLabel*>()) {
            texts << label->text();
        }
        QVERIFY(texts.contains(QStringLiteral("Veltro科技 GPRS 5.0 版")));
        auto* ok = about.findChild<SkinButton*>();
        QVERIFY(ok != nullptr);
        QCOMPARE(ok->text(), QStringLiteral("确定"));
        about.show();
        ok->click();
        QCOMPARE(about.result(), int(QDialog::Accepted));
        QVERIFY(!about.isVisible());
    }

    void profileLivesInTheConfigDirectory() {
        QTemporaryDir dir;
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        QCOMPARE(Profile::PathFor(QStringLiteral("veltrogprs")),
                 dir.path() + QStringLiteral("/veltrogprs.INI"));
    }

    void onlyTheFirstCopyOfANameClaims() {
        QTemporaryDir dir;
        SingleInstance first(QStringLiteral("veltrogprs"), dir.path());
        SingleInstance second(QStringLiteral("veltrogprs"), dir.path());
        SingleInstance renamed(QStringLiteral("veltrogprs2"), dir.path());
        QVERIFY(first.Claim());
        QVERIFY(!second.Claim());
        QVERIFY2(renamed.Claim(), "another executable name is another program");
        // Without a listening window the second copy gives up quietly.
        QVERIFY(!second.ActivateFirstCopy(200));
    }

    void secondCopyActivatesTheFirst() {
        QTemporaryDir dir;
        SingleInstance first(QStringLiteral("veltrogprs"), dir.path());
        QVERIFY(first.Claim());
        QVERIFY(first.Listen());
        QSignalSpy requests(&first, &SingleInstance::activationRequested);

        std::atomic<int> answered{-1};
        std::thread second([&] {
            SingleInstance copy(QStringLiteral("veltrogprs"), dir.path());
            answered = copy.Claim() ? 2 : copy.ActivateFirstCopy(5000) ? 1 : 0;
        });
        QTRY_VERIFY(answered.load() >= 0);
        second.join();
        QCOMPARE(answered.load(), 1);
        QCOMPARE(requests.count(), 1);
    }

    // A socket file left by a copy that crashed does not stop the next first copy.
    void staleSocketIsReplaced() {
        QTemporaryDir dir;
        QFile stale(dir.filePath(QStringLiteral("veltrogprs.socket")));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        SingleInstance first(QStringLiteral("veltrogprs"), dir.path());
        QVERIFY(first.Claim());
        QVERIFY(first.Listen());
    }
};

}  // namespace veltro

QTEST_MAIN(veltro::ApplicationStartTest)
#include "test_application_start.moc"
