#pragma once

#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>
#include <QtGlobal>

#include <atomic>
#include <functional>

#include "app/CardWatch.h"
#include "app/ConnectionControl.h"
#include "app/DesktopNotices.h"
#include "app/IndicatorIcon.h"
#include "modem/Clock.h"
#include "modem/ModemSession.h"
#include "modem/SerialLine.h"
#include "pages/CallPage.h"
#include "pages/DialogUnits.h"
#include "pages/PageHost.h"
#include "pages/PhonebookPage.h"
#include "pages/SmsComposePage.h"
#include "pages/SmsInboxPage.h"
#include "pages/TrafficPage.h"
#include "records/DataFolderLock.h"
#include "ui/DibImage.h"
#include "ui/SkinButton.h"

namespace veltro {

class BalanceQuery;
class SimUnlock;
class SingleInstance;

// The main window: a borderless, skinned window with a row of status indicators, one
// view area (the status line or one of five pages), four command buttons and a tray
// icon. It owns the modem session (the one owner of the card's line), the pages and the
// connection control, and it decides when each of them may run.
class MainDialog : public QWidget, public PageHost {
    Q_OBJECT

public:
    // Controls of the window's template.
    enum ControlId {
        kConnectButton = 1002,
        kCallButton = 1003,
        kSmsButton = 1004,
        kPhonebookButton = 1005,
        kCloseButton = 1020,
        kOperatorLogo = 1031,
        kNoSignalIcon = 1032,
        kSignalIcon = 1033,
        kStatusLine = 1030,
        kNewMessageIcon = 1036,
        kMinimiseButton = 1037,
        kGprsIcon = 1038,
    };
    // Menu commands: menu 136 of the SMS button and menu 144 of the tray icon.
    enum Command {
        kComposeCommand = 32771,
        kInboxCommand = 32772,
        kAboutCommand = 16,
        kBalanceCommand = 32773,
        kExitCommand = 2,
    };
    static constexpr QSize kTemplateSize{340, 260};
    static constexpr const char* kTitle =
        QT_TRANSLATE_NOOP("MainDialog", "Veltro科技 GPRS 应用软件");
    static constexpr const char* kStartingText =
        QT_TRANSLATE_NOOP("MainDialog", "正在初始化硬件设备...");
    static constexpr const char* kSaveFailedTitle = QT_TRANSLATE_NOOP("MainDialog", "错误");
    // %1 is the folder the files were to be written to.
    static constexpr const char* kSaveFailedText =
        QT_TRANSLATE_NOOP("MainDialog",
                          "无法将通讯录和短信保存到 vc.dat 和 sms.dat（%1）。\n"
                          "从 SIM 卡取回的短信只保存在这里，关闭后将会丢失。");
    static constexpr const char* kSaveElsewhereTitle =
        QT_TRANSLATE_NOOP("MainDialog", "选择保存通讯录和短信的文件夹");
    static constexpr const char* kNotSavedText =
        QT_TRANSLATE_NOOP("MainDialog", "通讯录和短信尚未保存，请重试或另存到其他文件夹。");

    MainDialog(Clock& clock, SerialLineFactory lineFactory);
    ~MainDialog() override;

    // Builds the window's look, the tray icon and the pages, loads the data files and
    // starts the device start-up sequence as the modem session's first job. mark, when given, is
    // the single-instance socket that a second copy uses to bring this window forward.
    void Initialise(SingleInstance* mark);

    void ShowPage(int view) override;
    // Reads the signal as a background job and shows it when the answer is in; does
    // nothing while a reading is on its way.
    void RefreshSignalIcon();
    // Unlocks a SIM that asks for its PIN or PUK.
    SimUnlock& Unlock() { return *simUnlock_; }
    // "查询余额".
    BalanceQuery& Balance() { return *balance_; }
    // The window's and the tray icon's word that the card's maker is not one the program
    // knows; empty for a known card.
    void ShowOtherMaker(const QString& text);
    // True from RefreshSignalIcon until its reading has been shown.
    bool SignalReading() const { return signalReading_; }
    // Connect button: connects when idle, disconnects when connected.
    void ToggleConnection() override { connection_.ToggleConnection(); }
    // Hang-up and recovery of the modem.
    void Disconnect() { connection_.Disconnect(); }
    // Close button and window close: ignored while canClose is 0; asks first while
    // connected; saves the data files and ends the window.
    void RequestClose() { connection_.RequestClose(); }
    DialupConnection* Dialup() override { return connection_.Dialup(); }
    ConnectionControl& Connection() { return connection_; }
    // Notices the card going and coming back.
    CardWatch& Watch() { return cardWatch_; }
    // Runs the device start-up sequence again on a new engine (the card is back).
    void RestartDevice();
    // "退出(&X)" of the tray menu: ends at once, without a question and without
    // hanging up, but saves the data files first so fetched messages are not lost.
    void ExitNow();
    // Saves the data files before the window ends. When that fails a message box
    // offers to try again, to save into another folder or to cancel; true once the
    // lists are saved, false (the window stays, the status line says why) on cancel.
    bool SaveBeforeEnd();
    // Takes the data folder's lock and loads the lists; a file that cannot be read or
    // is damaged, or a folder another window uses, is told on the status line, in its
    // tooltip and on standard error, and then again at the end of every start-up.
    void LoadDataFiles();
    bool SaveDataFiles() override;
    // Shows, restores and raises the window, also from the tray.
    void Activate();
    // Minimises, then hides into the tray where one exists.
    void MinimiseToTray();

    ModemSession& Session() override { return session_; }
    Clock& GetClock() const override { return clock_; }
    const SerialLineFactory& LineFactory() const { return lineFactory_; }

    int Connected() const override { return connected_; }
    int CanClose() const { return canClose_.load(); }
    void SetCanClose(int value) { canClose_ = value; }
    const char* PortName() const { return portName_; }
    void SetPortName(const char* name);

    TrafficPage& Traffic() { return *trafficPage_; }
    CallPage& Call() override { return *callPage_; }
    PhonebookPage& Phonebook() { return *phonebookPage_; }
    SmsInboxPage& Inbox() override { return *inboxPage_; }
    SmsComposePage& Compose() override { return *composePage_; }
    QStandardItemModel& PhonebookEntries() override { return phonebookPage_->Entries(); }
    void ShowNewMessageIcon() override { newMessageIcon_->show(); }
    void Announce(int view, const QString& title, const QString& text) override {
        notices_.Announce(view, title, text);
    }
    DesktopNotices& Notices() { return notices_; }

    QLabel& StatusLine() { return *statusLine_; }
    IndicatorIcon& NoSignalIcon() { return *noSignalIcon_; }
    IndicatorIcon& SignalIcon() { return *signalIcon_; }
    IndicatorIcon& OperatorLogo() { return *operatorLogo_; }
    IndicatorIcon& GprsIcon() { return *gprsIcon_; }
    IndicatorIcon& NewMessageIcon() { return *newMessageIcon_; }
    SkinButton& ConnectButton() { return *connectButton_; }
    SkinButton& CallButton() { return *callButton_; }
    SkinButton& SmsButton() { return *smsButton_; }
    SkinButton& PhonebookButton() { return *phonebookButton_; }
    SkinButton& MinimiseButton() { return *minimiseButton_; }
    SkinButton& CloseButton() { return *closeButton_; }
    QMenu& SmsMenu() { return smsMenu_; }
    QMenu& TrayMenu() { return trayMenu_; }
    QSystemTrayIcon& TrayIcon() { return trayIcon_; }
    // The rectangle every page is moved to.
    QRect PageRect() const;
    // The rectangle of a template control, in pixels.
    QRect TemplateRect(int controlId) const;

    // Runs the function on the user-interface thread, after every function posted
    // before it. Used by the start-up sequence for its window changes.
    void Post(std::function<void()> change) override;
    // Sets the status line and reports the new text.
    void SetStatusText(const QString& text) override;
    void EnableCommandButtons(bool enabled) override;
    // Moves an indicator to its template position with the given size in pixels.
    void PlaceIndicator(IndicatorIcon& icon, QSize size);

    // True once the start-up sequence has been asked to stop (the window is ending).
    bool StopRequested() const { return stopRequested_.load(); }

signals:
    // The window has ended; the program ends with it.
    void ended();
    void statusTextChanged(const QString& text);
    // The start-up sequence's outcome, delivered on the user-interface thread after
    // every window change of the sequence.
    void startupFinished(int outcome);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class ConnectionControl;

    void BuildControls();
    void BuildMenus();
    // Moves every control to its template rectangle in the current units.
    void PlaceControls();
    // Gives the status line the height its text needs, at least the template's.
    void FitStatusLine();
    void ApplySkin();
    void OnTrayActivated(QSystemTrayIcon::ActivationReason reason);
    void OnCommand(int command);
    void OpenSmsMenu();
    void End();
    void StartDeviceStartup();
    void ShowSignal(int value);
    void ShowDataProblems();

    Clock& clock_;
    SerialLineFactory lineFactory_;
    DialogUnits units_;

    int connected_ = 0;
    std::atomic<int> canClose_{1};
    ConnectionControl connection_{*this};
    CardWatch cardWatch_{*this};
    // One writer per data folder, for the window's life.
    DataFolderLock folderLock_;
    QString dataProblems_;
    QString dataDetails_;
    char portName_[12] = {};
    ModemSession session_{clock_, lineFactory_};

    TrafficPage* trafficPage_ = nullptr;
    PhonebookPage* phonebookPage_ = nullptr;
    SmsInboxPage* inboxPage_ = nullptr;
    CallPage* callPage_ = nullptr;
    SmsComposePage* composePage_ = nullptr;

    QSystemTrayIcon trayIcon_;
    DesktopNotices notices_{*this, [this](int view) {
                                Activate();
                                ShowPage(view);
                            }};
    DibImage skin_;
    QImage minimiseBitmap_;
    QImage closeBitmap_;

    SkinButton* minimiseButton_ = nullptr;
    SkinButton* closeButton_ = nullptr;
    IndicatorIcon* gprsIcon_ = nullptr;
    IndicatorIcon* newMessageIcon_ = nullptr;
    SkinButton* phonebookButton_ = nullptr;
    SkinButton* smsButton_ = nullptr;
    SkinButton* callButton_ = nullptr;
    SkinButton* connectButton_ = nullptr;
    IndicatorIcon* noSignalIcon_ = nullptr;
    IndicatorIcon* signalIcon_ = nullptr;
    IndicatorIcon* operatorLogo_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QLabel* noticeLine_ = nullptr;

    QMenu smsMenu_;
    QMenu trayMenu_;
    SimUnlock* simUnlock_ = nullptr;
    BalanceQuery* balance_ = nullptr;
    SingleInstance* mark_ = nullptr;

    QPoint dragOffset_;
    bool dragging_ = false;
    bool ended_ = false;

    std::atomic<bool> stopRequested_{false};
    bool signalReading_ = false;
};

}  // namespace veltro
