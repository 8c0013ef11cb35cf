#include <QFontInfo>
#include <QtTest>

#include "StubPageHost.h"
#include "pages/CallPage.h"
#include "pages/DialogUnits.h"
#include "pages/PhonebookPage.h"
#include "pages/SmsComposePage.h"
#include "pages/SmsInboxPage.h"
#include "pages/TrafficPage.h"

namespace veltro {

class PagesTest : public QObject {
    Q_OBJECT

private slots:
    // "宋体" maps to an installed Song face; the layout uses the base units the skin
    // was drawn for whatever the font, and a skin of another size scales them.
    void dialogUnitsFollowTheSkinNotTheFont() {
        const QFont font = DialogUnits::DialogFont();
        QVERIFY2(QFontInfo(font).family().contains(QStringLiteral("UMing")) ||
                     QFontInfo(font).family() == QStringLiteral("SimSun"),
                 qPrintable(QFontInfo(font).family()));
        const DialogUnits units;
        QCOMPARE(units.BaseX(), 6);
        QCOMPARE(units.BaseY(), 12);
        QCOMPARE(units.ToPixels(QSize(340, 260)), QSize(510, 390));
        const DialogUnits same = DialogUnits::Fitting(QSize(510, 390), QSize(340, 260));
        QCOMPARE(same.BaseX(), 6);
        QCOMPARE(same.BaseY(), 12);
        const DialogUnits larger = DialogUnits::Fitting(QSize(765, 585), QSize(340, 260));
        QCOMPARE(larger.ToPixels(QRect(182, 209, 34, 19)), QRect(410, 470, 76, 43));
        QCOMPARE(DialogUnits::Fitting(QSize(2, 2), QSize(340, 260)).BaseX(), 1);
    }

    void rectanglesConvertEdgeByEdge_data() {
        QTest::addColumn<QRect>("units");
        QTest::addColumn<QRect>("pixels");
        QTest::newRow("status line") << QRect(96, 87, 147, 23) << QRect(144, 131, 221, 34);
        QTest::newRow("connect button") << QRect(182, 209, 34, 19) << QRect(273, 314, 51, 28);
        // 117 * 1.5 rounds up, 137 * 1.5 too: the width follows the edges.
        QTest::newRow("odd edges") << QRect(117, 8, 20, 20) << QRect(176, 12, 30, 30);
    }
    void rectanglesConvertEdgeByEdge() {
        QFETCH(QRect, units);
        QFETCH(QRect, pixels);
        QCOMPARE(DialogUnits().ToPixels(units), pixels);
    }

    void pagesHaveTheirTemplateSizesAndStartHidden() {
        test::StubPageHost host;
        QWidget parent;
        const TrafficPage traffic(host, &parent);
        const CallPage call(host, &parent);
        const PhonebookPage phonebook(host, &parent);
        const SmsInboxPage inbox(host, &parent);
        const SmsComposePage compose(host, &parent);
        QCOMPARE(traffic.size(), QSize(201, 228));
        QCOMPARE(call.size(), QSize(417, 264));
        QCOMPARE(phonebook.size(), QSize(417, 257));
        QCOMPARE(inbox.size(), QSize(479, 263));
        QCOMPARE(compose.size(), QSize(396, 236));
        for (const QWidget* page :
             {static_cast<const QWidget*>(&traffic), static_cast<const QWidget*>(&call),
              static_cast<const QWidget*>(&phonebook), static_cast<const QWidget*>(&inbox),
              static_cast<const QWidget*>(&compose)}) {
            QVERIFY(page->isHidden());
        }
    }

    void timerOneArmsRestartsAndStops() {
        test::StubPageHost host;
        QWidget parent;
        CallPage call(host, &parent);
        QVERIFY(!call.IsTimer1Active());
        call.StartTimer1(950);
        QVERIFY(call.IsTimer1Active());
        QCOMPARE(call.Timer1Period(), 950);
        call.StartTimer1(5100);
        QCOMPARE(call.Timer1Period(), 5100);
        call.StopTimer1();
        QVERIFY(!call.IsTimer1Active());
    }

    void storesHaveTheirColumns() {
        test::StubPageHost host;
        QWidget parent;
        PhonebookPage phonebook(host, &parent);
        SmsInboxPage inbox(host, &parent);
        QCOMPARE(phonebook.Entries().columnCount(), 2);
        QCOMPARE(
            phonebook.Entries().headerData(PhonebookPage::kNumberColumn, Qt::Horizontal).toString(),
            QStringLiteral("号码"));
        QCOMPARE(inbox.Messages().columnCount(), 3);
        QCOMPARE(
            inbox.Messages().headerData(SmsInboxPage::kContentColumn, Qt::Horizontal).toString(),
            QStringLiteral("内容"));
    }
};

}  // namespace veltro

QTEST_MAIN(veltro::PagesTest)
#include "test_pages.moc"
