#include <QtTest>

#include "StubPageHost.h"
#include "pages/TrafficPage.h"

namespace veltro {

class TrafficPageTest : public QObject {
    Q_OBJECT

private slots:
    void lines_data() {
        QTest::addColumn<quint32>("sent");
        QTest::addColumn<quint32>("received");
        QTest::addColumn<quint32>("prevSent");
        QTest::addColumn<quint32>("prevReceived");
        QTest::addColumn<quint32>("seconds");
        QTest::addColumn<QStringList>("lines");
        // The first tick: nothing counted before, so the speeds are the totals x 0.01.
        QTest::newRow("first tick")
            << 1200u << 34567u << 0u << 0u << 0u
            << QStringList{"发送：1200 字节",     "接收：34567 字节",   "接收速度：345.7kbps",
                           "发送速度：12.0 kbps", "接收平均：0.0 kbps", "发送平均：0.0 kbps",
                           "连接时间：00:00:00 "};
        // Averages divide as integers before the factor.
        QTest::newRow("after 3725 ticks")
            << 745000u << 7450999u << 744000u << 7440000u << 3725u
            << QStringList{"发送：745000 字节",   "接收：7450999 字节",  "接收速度：110.0kbps",
                           "发送速度：10.0 kbps", "接收平均：20.0 kbps", "发送平均：2.0 kbps",
                           "连接时间：01:02:05 "};
        QTest::newRow("totals above 2^31")
            << 3000000000u << 4294967295u << 2999999000u << 4294967195u << 100u
            << QStringList{"发送：3000000000 字节",   "接收：4294967295 字节",
                           "接收速度：1.0kbps",       "发送速度：10.0 kbps",
                           "接收平均：429496.7 kbps", "发送平均：300000.0 kbps",
                           "连接时间：00:01:40 "};
        // A counter that went backwards shows no speed, not a huge one.
        QTest::newRow("counter went backwards")
            << 10u << 20u << 4000000000u << 30u << 359999u
            << QStringList{"发送：10 字节",      "接收：20 字节",      "接收速度：0.0kbps",
                           "发送速度：0.0 kbps", "接收平均：0.0 kbps", "发送平均：0.0 kbps",
                           "连接时间：99:59:59 "};
    }
    void lines() {
        QFETCH(quint32, sent);
        QFETCH(quint32, received);
        QFETCH(quint32, prevSent);
        QFETCH(quint32, prevReceived);
        QFETCH(quint32, seconds);
        QFETCH(QStringList, lines);
        TrafficPage::Counters counters;
        counters.bytesSent = sent;
        counters.bytesReceived = received;
        counters.prevBytesSent = prevSent;
        counters.prevBytesReceived = prevReceived;
        counters.secondsConnected = seconds;
        QCOMPARE(TrafficPage::Lines(counters), lines);
    }

    void monthLine() {
        MonthlyDataCounter::Totals month;
        month.received = 1048576;
        month.sent = 524288;
        QCOMPARE(TrafficPage::MonthLine(month, 0), QStringLiteral("本月流量：1.5 MB"));
        QCOMPARE(TrafficPage::MonthLine(month, 500 * 1048576ull),
                 QStringLiteral("本月流量：1.5 / 500.0 MB"));
    }

    // Each tick counts a second and hands over to the window once the connection is
    // gone; Start begins every connection from zero.
    void tickCountsAndHandsOver() {
        test::StubPageHost host;
        QWidget parent;
        QTemporaryDir state;
        const std::string usagePath = state.filePath(QStringLiteral("data-usage")).toStdString();
        TrafficPage page(host, &parent,
                         MonthlyDataCounter(usagePath, [] { return std::time_t{}; }));
        page.Start(1000);
        QVERIFY(page.IsTimer1Active());
        QCOMPARE(page.Timer1Period(), 1000);
        page.Tick();
        page.Tick();
        QCOMPARE(page.Values().secondsConnected, 2u);
        QCOMPARE(host.toggles, 2);
        page.Stop();
        QVERIFY(!page.IsTimer1Active());
        QCOMPARE(page.Values().secondsConnected, 2u);
        // The connection's end writes the month's totals.
        QVERIFY(QFile::exists(QString::fromStdString(usagePath)));
        page.Start(1000);
        QCOMPARE(page.Values().secondsConnected, 0u);
    }
};

}  // namespace veltro

QTEST_MAIN(veltro::TrafficPageTest)
#include "test_traffic_page.moc"
