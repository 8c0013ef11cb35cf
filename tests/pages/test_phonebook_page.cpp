#include <QSignalSpy>
#include <QtTest>

#include "StubPageHost.h"
#include "pages/GbkByteValidator.h"
#include "pages/PhonebookPage.h"

namespace veltro {

class PhonebookPageTest : public QObject {
    Q_OBJECT

private:
    // Types text one character at a time, as a keyboard or an input method would.
    static void Type(QLineEdit& field, const QString& text) {
        for (int i = 0; i < text.size(); ++i) {
            const int length = text.at(i).isHighSurrogate() ? 2 : 1;
            QTest::sendKeyEvent(QTest::Click, &field, Qt::Key_unknown, text.mid(i, length),
                                Qt::NoModifier);
            i += length - 1;
        }
    }

    static QStringList Row(PhonebookPage& page, int row) {
        return {page.Entries().index(row, PhonebookPage::kNameColumn).data().toString(),
                page.Entries().index(row, PhonebookPage::kNumberColumn).data().toString()};
    }

    static void ClickRow(PhonebookPage& page, int row) {
        QTableView& list = page.List();
        const QRect cell = list.visualRect(page.Entries().index(row, 0));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    }

private slots:
    void fieldsCountGbkBytesAsTheUserTypes() {
        test::StubPageHost host;
        QWidget window;
        PhonebookPage page(host, &window);
        window.show();
        page.show();

        Type(page.NameField(), QStringLiteral("张三丰李五"));
        // Four characters fill 8 bytes.
        QCOMPARE(page.NameField().text(), QStringLiteral("张三丰李"));
        page.NameField().clear();
        Type(page.NameField(), QStringLiteral("Tom张三李x"));
        QCOMPARE(page.NameField().text(), QStringLiteral("Tom张三x"));
        // A pasted text is cut at the limit, never inside a character.
        page.NameField().clear();
        page.NameField().insert(QStringLiteral("ab张三李四"));
        QCOMPARE(page.NameField().text(), QStringLiteral("ab张三李"));
        // What GBK cannot hold would not survive the file.
        page.NameField().clear();
        page.NameField().insert(QStringLiteral("A😀B"));
        QCOMPARE(page.NameField().text(), QStringLiteral("AB"));

        Type(page.NumberField(), QStringLiteral("+86138001380001234"));
        QCOMPARE(page.NumberField().text(), QStringLiteral("+861380013800012"));
        QCOMPARE(GbkByteValidator::GbkBytes(QStringLiteral("中文ab")), 6);
    }

    void addPutsNewRowsOnTop() {
        test::StubPageHost host;
        QWidget window;
        PhonebookPage page(host, &window);
        QSignalSpy changed(&page, &PhonebookPage::entriesChanged);
        page.NameField().setText(QStringLiteral("张三"));
        page.NumberField().setText(QStringLiteral("10086"));
        page.AddButton().click();
        page.AddButton().click();
        page.NameField().setText(QStringLiteral("李四"));
        page.AddEntry();
        QCOMPARE(page.Entries().rowCount(), 3);
        QCOMPARE(Row(page, 0), QStringList({QStringLiteral("李四"), QStringLiteral("10086")}));
        QCOMPARE(Row(page, 1), Row(page, 2));
        // The fields keep their texts.
        QCOMPARE(page.NameField().text(), QStringLiteral("李四"));
        page.NameField().clear();
        page.NumberField().clear();
        page.AddEntry();
        QCOMPARE(Row(page, 0), QStringList({QString(), QString()}));
        QCOMPARE(changed.count(), 4);
    }

    void clickCopiesAndDeleteRemovesTheSelectedRow() {
        test::StubPageHost host;
        QWidget window;
        PhonebookPage page(host, &window);
        for (const char* name : {"王五", "李四", "张三"}) {
            page.NameField().setText(QString::fromUtf8(name));
            page.NumberField().setText(QStringLiteral("1000") +
                                       QString::number(page.Entries().rowCount()));
            page.AddEntry();
        }
        window.resize(800, 600);
        window.show();
        page.show();
        QSignalSpy changed(&page, &PhonebookPage::entriesChanged);

        page.DeleteButton().click();
        // Nothing selected, nothing deleted.
        QCOMPARE(page.Entries().rowCount(), 3);
        QCOMPARE(changed.count(), 0);

        ClickRow(page, 1);
        QCOMPARE(page.NameField().text(), QStringLiteral("李四"));
        QCOMPARE(page.NumberField().text(), QStringLiteral("10001"));
        page.DeleteButton().click();
        QCOMPARE(page.Entries().rowCount(), 2);
        QCOMPARE(Row(page, 0).first(), QStringLiteral("张三"));
        QCOMPARE(Row(page, 1).first(), QStringLiteral("王五"));
        QCOMPARE(page.NameField().text(), QStringLiteral("李四"));
        QCOMPARE(changed.count(), 1);
        // Rows are not edited in place.
        QCOMPARE(page.List().editTriggers(), QAbstractItemView::NoEditTriggers);
    }
};

}  // namespace veltro

QTEST_MAIN(veltro::PhonebookPageTest)
#include "test_phonebook_page.moc"
