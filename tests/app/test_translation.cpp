#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QtTest>

#include "WindowSandbox.h"
#include "app/ConnectionControl.h"
#include "app/MainDialog.h"
#include "app/PinDialog.h"
#include "app/Translation.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"

namespace veltro {

// The window's language follows the locale, and its captions fit the fixed skin in both
// languages.
class TranslationTest : public QObject {
    Q_OBJECT

private:
    // Every skin button shows its whole caption; the connect button also the other
    // caption it takes while connected.
    static void CheckCaptionsFit(MainDialog& dialog) {
        for (const SkinButton* button : dialog.findChildren<SkinButton*>()) {
            QVERIFY2(button->ShownText() == button->text(), qPrintable(button->text()));
        }
        SkinButton& connect = dialog.ConnectButton();
        const QString caption = connect.text();
        connect.setText(QCoreApplication::translate("ConnectionControl",
                                                    ConnectionControl::kDisconnectCaption));
        QVERIFY2(connect.ShownText() == connect.text(), qPrintable(connect.text()));
        connect.setText(caption);
    }

    static void CheckPinDialogFits(bool puk) {
        PinDialog pin(nullptr, puk, 1, 0, QString());
        for (const QLabel* label : pin.findChildren<QLabel*>()) {
            QVERIFY2(label->heightForWidth(label->width()) <= label->height(),
                     qPrintable(label->text()));
        }
        for (const SkinButton* button : pin.findChildren<SkinButton*>()) {
            QVERIFY2(button->ShownText() == button->text(), qPrintable(button->text()));
        }
    }

    void CheckWindowFits() {
        test::WindowSandbox sandbox;
        Clock& clock = SystemClock::Instance();
        MainDialog dialog(clock, SerialPort::Factory(clock));
        CheckCaptionsFit(dialog);
        CheckPinDialogFits(false);
        CheckPinDialogFits(true);
    }

private slots:
    void englishUnlessTheFirstLanguageIsChinese() {
        struct Case {
            QStringList languages;
            bool english;
        };
        const Case cases[] = {
            {{QStringLiteral("zh-CN")}, false},
            {{QStringLiteral("zh-Hans-CN"), QStringLiteral("en-US")}, false},
            {{QStringLiteral("zh-TW")}, false},
            {{QStringLiteral("en-US"), QStringLiteral("zh-CN")}, true},
            {{QStringLiteral("de-DE")}, true},
            {{QStringLiteral("C")}, true},
            {{}, true},
        };
        for (const Case& c : cases) {
            QVERIFY2(Translation::WantsEnglish(c.languages) == c.english,
                     qPrintable(c.languages.join(',')));
        }
    }

    // Chinese first (no translation installed), then English.
    void captionsFitInBothLanguages() {
        QVERIFY(Translation::Install(QLocale(QLocale::Chinese, QLocale::China)));
        QCOMPARE(QCoreApplication::translate("MainDialog", "通话"), QStringLiteral("通话"));
        // Qt's own buttons follow, where Qt's Chinese texts are installed.
        if (QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                          QStringLiteral("/qtbase_zh_CN.qm"))) {
            QVERIFY(QCoreApplication::translate("QPlatformTheme", "&Yes") !=
                    QStringLiteral("&Yes"));
        }
        CheckWindowFits();

        QVERIFY(Translation::Install(QLocale(QLocale::English, QLocale::UnitedStates)));
        QCOMPARE(QCoreApplication::translate("MainDialog", "通话"), QStringLiteral("Call"));
        CheckWindowFits();
    }
};

}  // namespace veltro

QTEST_MAIN(veltro::TranslationTest)
#include "test_translation.moc"
