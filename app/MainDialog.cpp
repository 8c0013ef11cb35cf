#include "app/MainDialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QTimer>
#include <QWindow>

#include <cstdio>

#include "app/AboutDialog.h"
#include "app/BalanceQuery.h"
#include "app/DataFiles.h"
#include "app/DeviceStartup.h"
#include "app/DialogColours.h"
#include "app/Profile.h"
#include "app/SignalToolTip.h"
#include "app/SimUnlock.h"
#include "app/SingleInstance.h"
#include "modem/ModemEngine.h"
#include "pages/ModemJob.h"
#include "ui/ArtPaths.h"
#include "ui/PlainText.h"

namespace veltro {

namespace {

// Template rectangles of the window's controls, in dialog units.
struct TemplateControl {
    int id;
    QRect units;
};
constexpr TemplateControl kControls[] = {
    {MainDialog::kNoSignalIcon, {117, 8, 20, 20}},
    {MainDialog::kSignalIcon, {117, 8, 20, 20}},
    {MainDialog::kNewMessageIcon, {205, 10, 20, 20}},
    {MainDialog::kConnectButton, {182, 209, 34, 19}},
    {MainDialog::kCallButton, {218, 209, 34, 19}},
    {MainDialog::kSmsButton, {254, 209, 34, 19}},
    {MainDialog::kPhonebookButton, {290, 209, 34, 19}},
    {MainDialog::kStatusLine, {96, 87, 147, 23}},
    {MainDialog::kMinimiseButton, {308, 6, 9, 9}},
    {MainDialog::kCloseButton, {319, 6, 9, 9}},
    {MainDialog::kOperatorLogo, {141, 10, 20, 20}},
    {MainDialog::kGprsIcon, {180, 10, 20, 20}},
};
constexpr QRect kNoticeLine{9, 245, 117, 8};

// The page area: the client area less these margins.
constexpr int kPageLeft = 40;
constexpr int kPageTop = 56;
constexpr int kPageRight = 50;
constexpr int kPageBottom = 70;
// Corner ellipse of the window's rounded outline.
constexpr int kCornerSize = 6;

QRegion RoundedRegion(QSize size) {
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), kCornerSize / 2.0, kCornerSize / 2.0);
    return QRegion(path.toFillPolygon().toPolygon());
}

}  // namespace

MainDialog::MainDialog(Clock& clock, SerialLineFactory lineFactory)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      clock_(clock),
      lineFactory_(std::move(lineFactory)) {
    setWindowTitle(QCoreApplication::translate("MainDialog", kTitle));
    setFont(DialogUnits::DialogFont());
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    resize(units_.ToPixels(kTemplateSize));
    BuildControls();
    BuildMenus();
    simUnlock_ = new SimUnlock(*this);
    balance_ = new BalanceQuery(*this);
}

MainDialog::~MainDialog() {
    cardWatch_.Stop();
    // The session ends before the pages that receive its results.
    stopRequested_ = true;
    session_.Stop();
    inboxPage_->StopTimer1();
    trayIcon_.hide();
    if (mark_ != nullptr) {
        mark_->StopListening();
    }
    // Only once no job can save any more.
    DataFiles::Release(this);
}

void MainDialog::BuildControls() {
    auto indicator = [this](ArtImage image, bool reportsClicks) {
        return new IndicatorIcon(ArtPaths::Image(image), reportsClicks, this);
    };
    noSignalIcon_ = indicator(ArtImage::NoSignal, false);
    signalIcon_ = indicator(ArtImage::Signal, false);
    newMessageIcon_ = indicator(ArtImage::NewMessage, true);
    operatorLogo_ = indicator(ArtImage::OperatorLogo, false);
    gprsIcon_ = indicator(ArtImage::Gprs, false);

    auto command = [this](const char* text) {
        auto* button = new SkinButton(QCoreApplication::translate("MainDialog", text), this);
        button->setEnabled(false);
        return button;
    };
    connectButton_ = new SkinButton(
        QCoreApplication::translate("ConnectionControl", ConnectionControl::kConnectCaption), this);
    connectButton_->setEnabled(false);
    callButton_ = command(QT_TRANSLATE_NOOP("MainDialog", "通话"));
    smsButton_ = command(QT_TRANSLATE_NOOP("MainDialog", "短信"));
    phonebookButton_ = command(QT_TRANSLATE_NOOP("MainDialog", "通讯录"));
    minimiseButton_ = new SkinButton(this);
    closeButton_ = new SkinButton(this);

    statusLine_ = new QLabel(QCoreApplication::translate("MainDialog", kStartingText), this);
    // It shows pppd's and the card's words: never as markup.
    statusLine_->setTextFormat(Qt::PlainText);
    statusLine_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    statusLine_->setWordWrap(true);
    noticeLine_ =
        new QLabel(QCoreApplication::translate("AboutDialog", AboutDialog::kNoticeText), this);
    // The status line and the notice line are drawn in the dialog colours.
    for (QLabel* line : {statusLine_, noticeLine_}) {
        line->setPalette(DialogColours::Palette());
        line->setAutoFillBackground(true);
    }
    PlaceControls();

    trafficPage_ = new TrafficPage(*this, this);
    trafficPage_->SetMonthlyCap(
        Profile::ReadMonthlyCap(Profile::PathFor(SingleInstance::ApplicationName())));
    callPage_ = new CallPage(*this, this);
    phonebookPage_ = new PhonebookPage(*this, this);
    inboxPage_ = new SmsInboxPage(*this, this);
    composePage_ = new SmsComposePage(*this, this);

    connect(minimiseButton_, &QPushButton::clicked, this, &MainDialog::MinimiseToTray);
    connect(closeButton_, &QPushButton::clicked, this, &MainDialog::RequestClose);
    connect(connectButton_, &QPushButton::clicked, this, &MainDialog::ToggleConnection);
    connect(callButton_, &QPushButton::clicked, this, [this] { ShowPage(kCallView); });
    connect(smsButton_, &QPushButton::clicked, this, &MainDialog::OpenSmsMenu);
    connect(phonebookButton_, &QPushButton::clicked, this, [this] { ShowPage(kPhonebookView); });
    connect(newMessageIcon_, &IndicatorIcon::clicked, this, [this] { ShowPage(kInboxView); });
    // A contact is written when it is made or deleted, so no crash or kill loses it.
    // A failure here is reported again by the save at the end, which insists.
    connect(phonebookPage_, &PhonebookPage::entriesChanged, this, [this] {
        if (!DataFiles::SavePhonebook(phonebookPage_->Entries())) {
            std::fprintf(stderr, "veltrogprs: vc.dat could not be written in %s\n",
                         qPrintable(QDir::currentPath()));
        }
    });
}

void MainDialog::PlaceControls() {
    const std::pair<int, QWidget*> placed[] = {
        {kNoSignalIcon, noSignalIcon_},       {kSignalIcon, signalIcon_},
        {kNewMessageIcon, newMessageIcon_},   {kConnectButton, connectButton_},
        {kCallButton, callButton_},           {kSmsButton, smsButton_},
        {kPhonebookButton, phonebookButton_}, {kStatusLine, statusLine_},
        {kMinimiseButton, minimiseButton_},   {kCloseButton, closeButton_},
        {kOperatorLogo, operatorLogo_},       {kGprsIcon, gprsIcon_},
    };
    for (const auto& [id, widget] : placed) {
        widget->setGeometry(TemplateRect(id));
    }
    noticeLine_->setGeometry(units_.ToPixels(kNoticeLine));
    FitStatusLine();
}

void MainDialog::FitStatusLine() {
    // The template's line is two lines of the Song face high, the welcome text three:
    // the line grows down over the empty panel until its text fits, never beyond it.
    const QRect area = TemplateRect(kStatusLine);
    const int limit = PageRect().bottom() + 1 - area.top();
    const int needed = statusLine_->heightForWidth(area.width());
    statusLine_->setGeometry(area.x(), area.y(), area.width(),
                             std::clamp(needed, area.height(), std::max(area.height(), limit)));
}

void MainDialog::BuildMenus() {
    auto add = [this](QMenu& menu, const char* text, int command) {
        connect(menu.addAction(QCoreApplication::translate("MainDialog", text)),
                &QAction::triggered, this, [this, command] { OnCommand(command); });
    };
    add(smsMenu_, QT_TRANSLATE_NOOP("MainDialog", "编写新短信"), kComposeCommand);
    add(smsMenu_, QT_TRANSLATE_NOOP("MainDialog", "收件箱"), kInboxCommand);
    add(smsMenu_, QT_TRANSLATE_NOOP("MainDialog", "查询余额"), kBalanceCommand);
    add(trayMenu_, QT_TRANSLATE_NOOP("MainDialog", "查询余额"), kBalanceCommand);
    add(trayMenu_, QT_TRANSLATE_NOOP("MainDialog", "关于(&A)"), kAboutCommand);
    trayMenu_.addSeparator();
    add(trayMenu_, QT_TRANSLATE_NOOP("MainDialog", "退出(&X)"), kExitCommand);
}

QRect MainDialog::TemplateRect(int controlId) const {
    for (const TemplateControl& control : kControls) {
        if (control.id == controlId) {
            return units_.ToPixels(control.units);
        }
    }
    return {};
}

QRect MainDialog::PageRect() const {
    return rect().adjusted(kPageLeft, kPageTop, -kPageRight, -kPageBottom);
}

void MainDialog::Initialise(SingleInstance* mark) {
    mark_ = mark;
    if (mark_ != nullptr) {
        connect(mark_, &SingleInstance::activationRequested, this, &MainDialog::Activate);
        mark_->Listen();
    }

    minimiseBitmap_ = ArtPaths::Image(ArtImage::MinimiseButton);
    closeBitmap_ = ArtPaths::Image(ArtImage::CloseButton);
    minimiseButton_->SetBitmap(minimiseBitmap_, QColor(SkinButton::kDefaultTransparent));
    closeButton_->SetBitmap(closeBitmap_, QColor(SkinButton::kDefaultTransparent));
    minimiseButton_->SetTextMode(SkinButton::kNoText);
    closeButton_->SetTextMode(SkinButton::kNoText);
    for (SkinButton* button : {phonebookButton_, smsButton_, callButton_, connectButton_}) {
        button->gradientFace = true;
        button->SetStyle(SkinButton::kFlat);
    }

    ApplySkin();
    setWindowIcon(ArtPaths::Icon(ArtImage::AppIcon));

    trayIcon_.setIcon(ArtPaths::Icon(ArtImage::SmallAppIcon));
    trayIcon_.setToolTip(windowTitle());
    trayIcon_.setContextMenu(&trayMenu_);
    notices_.UseTray(trayIcon_);
    connect(&trayIcon_, &QSystemTrayIcon::activated, this, &MainDialog::OnTrayActivated);
    trayIcon_.show();

    for (QWidget* page : std::initializer_list<QWidget*>{trafficPage_, callPage_, phonebookPage_,
                                                         inboxPage_, composePage_}) {
        page->setGeometry(PageRect());
        page->hide();
    }
    // The page rectangle reaches a few pixels into the tops of the four buttons; they
    // stay whole above whichever page is shown.
    for (SkinButton* button : {phonebookButton_, smsButton_, callButton_, connectButton_}) {
        button->raise();
    }

    LoadDataFiles();
    connect(this, &MainDialog::startupFinished, this, [this](int outcome) {
        cardWatch_.OnStartupFinished(outcome, session_.DeviceGone());
        // The start-up's texts replace the status line: the files' problems stay told.
        ShowDataProblems();
    });
    StartDeviceStartup();
}

void MainDialog::StartDeviceStartup() {
    // Close requests are ignored from here on, not only once the sequence has begun.
    canClose_ = 0;
    session_.Open(
        [this](ModemEngine& engine) {
            const int outcome = DeviceStartup(*this).Run(engine);
            Post([this, outcome] { emit startupFinished(outcome); });
        },
        [this] {
            canClose_ = 1;
            Post([this] { emit startupFinished(DeviceStartup::kNoModem); });
        });
}

void MainDialog::RestartDevice() {
    StartDeviceStartup();
}

void MainDialog::ApplySkin() {
    // The window takes the skin's size and the controls the base units that fit the
    // template to it; without a skin, the template's size at the Song face's units.
    if (skin_.Load(ArtPaths::Skin()) && skin_.Width() > 0 && skin_.Height() > 0) {
        units_ = DialogUnits::Fitting(QSize(skin_.Width(), skin_.Height()), kTemplateSize);
        resize(skin_.Width(), skin_.Height());
    } else {
        units_ = DialogUnits();
        resize(units_.ToPixels(kTemplateSize));
    }
    setFixedSize(size());
    setMask(RoundedRegion(size()));
    PlaceControls();
}

void MainDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    skin_.Draw(painter, 0, 0, skin_.Width(), skin_.Height(), 0, 0, skin_.Width(), skin_.Height());
}

void MainDialog::Post(std::function<void()> change) {
    QMetaObject::invokeMethod(this, std::move(change), Qt::QueuedConnection);
}

void MainDialog::SetStatusText(const QString& text) {
    statusLine_->setText(text);
    FitStatusLine();
    emit statusTextChanged(text);
}

void MainDialog::EnableCommandButtons(bool enabled) {
    for (SkinButton* button : {connectButton_, smsButton_, phonebookButton_}) {
        button->setEnabled(enabled);
    }
}

void MainDialog::PlaceIndicator(IndicatorIcon& icon, QSize size) {
    icon.setGeometry(QRect(icon.geometry().topLeft(), size));
}

void MainDialog::SetPortName(const char* name) {
    std::snprintf(portName_, sizeof(portName_), "%s", name);
}

void MainDialog::ShowPage(int view) {
    statusLine_->hide();
    for (QWidget* page : std::initializer_list<QWidget*>{trafficPage_, callPage_, phonebookPage_,
                                                         inboxPage_, composePage_}) {
        page->hide();
    }
    if (view >= kCallView && view <= kComposeView) {
        RefreshSignalIcon();
    }
    switch (view) {
        case kStatusView:
            statusLine_->show();
            break;
        case kTrafficView:
            trafficPage_->show();
            break;
        case kCallView:
            callPage_->show();
            break;
        case kInboxView:
            inboxPage_->show();
            newMessageIcon_->hide();
            break;
        case kPhonebookView:
            phonebookPage_->show();
            break;
        case kComposeView:
            composePage_->show();
            break;
        default:
            break;
    }
}

void MainDialog::RefreshSignalIcon() {
    if (signalReading_ || !session_.HasEngine()) {
        return;
    }
    // The reading waits for the modem's answer (400 ms and more): the icons change when
    // it is in, so a view switch shows its page at once.
    signalReading_ = true;
    RunModemJob<std::optional<int>>(
        session_, ModemSession::Priority::Background, this,
        [](ModemEngine& engine) {
            int value = 0;
            return engine.ReadSignalQuality(&value) ? std::optional(value) : std::nullopt;
        },
        [this](std::optional<std::optional<int>> value) {
            signalReading_ = false;
            if (value && *value) {
                ShowSignal(**value);
            }
        });
}

void MainDialog::ShowOtherMaker(const QString& text) {
    setToolTip(PlainText::ToolTip(text));
    trayIcon_.setToolTip(
        PlainText::ToolTip(text.isEmpty() ? windowTitle() : windowTitle() + '\n' + text));
}

void MainDialog::ShowSignal(int value) {
    const QString tip = SignalToolTip::For(value);
    signalIcon_->setToolTip(tip);
    noSignalIcon_->setToolTip(tip);
    PlaceIndicator(*signalIcon_, QSize(16, 16));
    // 99 is "not known"; only values from 100 on mean no signal.
    if (value >= 100) {
        signalIcon_->hide();
        noSignalIcon_->show();
    } else {
        noSignalIcon_->hide();
        signalIcon_->show();
    }
}

void MainDialog::ExitNow() {
    if (SaveBeforeEnd()) {
        End();
    }
}

bool MainDialog::SaveBeforeEnd() {
    if (SaveDataFiles()) {
        return true;
    }
    // Messages fetched from the SIM are deleted there: the lists may be their only
    // copy, so the window stays until they are saved or the user says otherwise.
    QMessageBox box(
        QMessageBox::Warning, QCoreApplication::translate("MainDialog", kSaveFailedTitle),
        QCoreApplication::translate("MainDialog", kSaveFailedText).arg(QDir::currentPath()),
        QMessageBox::NoButton, this);
    QPushButton* retry = box.addButton(QCoreApplication::translate("MainDialog", "重试(&R)"),
                                       QMessageBox::AcceptRole);
    QPushButton* elsewhere = box.addButton(
        QCoreApplication::translate("MainDialog", "另存到...(&S)"), QMessageBox::ActionRole);
    QPushButton* cancel =
        box.addButton(QCoreApplication::translate("MainDialog", "取消"), QMessageBox::RejectRole);
    box.setDefaultButton(retry);
    box.setEscapeButton(cancel);
    for (;;) {
        box.exec();
        if (box.clickedButton() == retry) {
            if (SaveDataFiles()) {
                return true;
            }
        } else if (box.clickedButton() == elsewhere) {
            const QString folder = QFileDialog::getExistingDirectory(
                this, QCoreApplication::translate("MainDialog", kSaveElsewhereTitle));
            if (!folder.isEmpty() &&
                DataFiles::Save(phonebookPage_->Entries(), inboxPage_->Messages(), folder)) {
                return true;
            }
        } else {
            ShowPage(kStatusView);
            SetStatusText(QCoreApplication::translate("MainDialog", kNotSavedText));
            return false;
        }
    }
}

void MainDialog::End() {
    if (ended_) {
        return;
    }
    ended_ = true;
    cardWatch_.Stop();
    trayIcon_.hide();
    hide();
    emit ended();
}

void MainDialog::LoadDataFiles() {
    QStringList problems;
    QStringList details;
    DataFiles::ClaimFolder(folderLock_, this, &problems, &details);
    DataFiles::Load(phonebookPage_->Entries(), inboxPage_->Messages(), &problems, &details, this);
    dataProblems_ = problems.join(QLatin1Char('\n'));
    dataDetails_ = details.join(QLatin1Char('\n'));
    ShowDataProblems();
}

void MainDialog::ShowDataProblems() {
    if (dataProblems_.isEmpty()) {
        return;
    }
    const QString shown = statusLine_->text();
    SetStatusText(shown == QCoreApplication::translate("MainDialog", kStartingText) ||
                          shown.isEmpty()
                      ? dataProblems_
                      : shown + QLatin1Char('\n') + dataProblems_);
    const QString tip = statusLine_->toolTip();
    statusLine_->setToolTip(
        PlainText::ToolTip(tip.isEmpty() ? dataDetails_ : tip + QLatin1Char('\n') + dataDetails_));
}

bool MainDialog::SaveDataFiles() {
    return DataFiles::Save(phonebookPage_->Entries(), inboxPage_->Messages());
}

void MainDialog::Activate() {
    if (ended_) {
        return;
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void MainDialog::MinimiseToTray() {
    showMinimized();
    // Without a tray a hidden window could not be brought back: it stays minimised.
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        hide();
    }
}

void MainDialog::OnTrayActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason != QSystemTrayIcon::Trigger) {
        return;
    }
    if (isVisible() && !isMinimized()) {
        MinimiseToTray();
    } else {
        Activate();
    }
}

void MainDialog::OnCommand(int command) {
    switch (command) {
        case kComposeCommand:
            ShowPage(kComposeView);
            break;
        case kInboxCommand:
            ShowPage(kInboxView);
            break;
        case kBalanceCommand:
            balance_->Start();
            break;
        case kAboutCommand: {
            AboutDialog about(this);
            about.exec();
            break;
        }
        case kExitCommand:
            ExitNow();
            break;
        default:
            break;
    }
}

void MainDialog::OpenSmsMenu() {
    // At the button's left edge, just below its last row.
    smsMenu_.popup(smsButton_->mapToGlobal(QPoint(0, smsButton_->height())));
}

void MainDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // Any point of the background moves the window, as a caption would.
    if (windowHandle() != nullptr && windowHandle()->startSystemMove()) {
        event->accept();
        return;
    }
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
}

void MainDialog::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void MainDialog::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

void MainDialog::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click on the background never maximises the window.
    event->accept();
}

void MainDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

void MainDialog::closeEvent(QCloseEvent* event) {
    if (ended_) {
        event->accept();
        return;
    }
    event->ignore();
    RequestClose();
}

void MainDialog::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange && statusLine_ != nullptr) {
        FitStatusLine();
    }
    if (event->type() == QEvent::WindowStateChange && isMinimized() && isVisible() &&
        QSystemTrayIcon::isSystemTrayAvailable()) {
        // Minimised by the desktop (taskbar, keyboard): hide into the tray as well.
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) {
                hide();
            }
        });
    }
}

}  // namespace veltro
