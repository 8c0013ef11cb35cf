// Draws the pictures of the look and feel for the documentation: every state of the two
// kinds of skinned button (buttons.png) and the SMS menu open over the skinned window
// with its flat frame and soft shadow (menu.png). Run it under an X server (Xvfb) with
// the art beside it: tools/render-look.sh does both.
#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <cstdio>

#include "ui/ArtPaths.h"
#include "ui/DibImage.h"
#include "ui/MenuFrameStyle.h"
#include "ui/MenuStyle.h"
#include "ui/SkinButton.h"

using namespace veltro;

namespace {

const QColor kDialogBlue(0, 29, 143);
const QColor kDialogText(230, 230, 230);

int Du(int units) {
    return (units * 3 + 1) / 2;  // 1.5 pixels per dialog unit, rounded
}

QRect DuRect(int x, int y, int w, int h) {
    return QRect(Du(x), Du(y), Du(w), Du(h));
}

// The main window's skin with its command and title buttons at their places.
class SkinWindow : public QWidget {
public:
    SkinWindow() {
        setWindowFlag(Qt::FramelessWindowHint);
        skin_.Load(ArtPaths::Skin());
        setFixedSize(skin_.Width(), skin_.Height());
        const QStringList captions = {QStringLiteral("连接"), QStringLiteral("通话"),
                                      QStringLiteral("短信"), QStringLiteral("通讯录")};
        for (int i = 0; i < 4; ++i) {
            auto* button = new SkinButton(captions[i], this);
            button->gradientFace = true;
            button->SetStyle(SkinButton::kFlat);
            button->setGeometry(DuRect(182 + 36 * i, 209, 34, 19));
            commands.push_back(button);
        }
        const ArtImage bitmaps[] = {ArtImage::MinimiseButton, ArtImage::CloseButton};
        for (int i = 0; i < 2; ++i) {
            auto* button = new SkinButton(this);
            button->SetBitmap(ArtPaths::Image(bitmaps[i]));
            button->SetTextMode(SkinButton::kNoText);
            button->setGeometry(DuRect(308 + 11 * i, 6, 9, 9));
        }
        const struct {
            ArtImage image;
            QPoint at;
        } icons[] = {{ArtImage::Signal, QPoint(Du(117), Du(8))},
                     {ArtImage::OperatorLogo, QPoint(Du(141), Du(10))},
                     {ArtImage::Gprs, QPoint(Du(180), Du(10))},
                     {ArtImage::NewMessage, QPoint(Du(205), Du(10))}};
        for (const auto& icon : icons) {
            auto* label = new QLabel(this);
            label->setPixmap(QPixmap::fromImage(ArtPaths::Image(icon.image)));
            label->setGeometry(QRect(icon.at, ArtPaths::Image(icon.image).size()));
        }
        auto* status = new QLabel(QStringLiteral("欢迎使用Veltro科技GPRS无线上网卡"), this);
        status->setAlignment(Qt::AlignCenter);
        status->setGeometry(DuRect(96, 87, 147, 23));
        auto* notice = new QLabel(QStringLiteral("Veltro科技 版权所有"), this);
        notice->setGeometry(DuRect(9, 245, 117, 8));
        for (QLabel* label : {status, notice}) {
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, kDialogText);
            label->setPalette(palette);
        }
    }

    std::vector<SkinButton*> commands;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        skin_.Draw(painter, 0, 0, 0, 0, 0, 0, 0, 0);
    }

private:
    DibImage skin_;
};

void Hover(SkinButton& button) {
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&button, &enter);
}

// One row per kind of button, one column per state, each shown at its size and three
// times larger.
QImage ButtonSheet() {
    const QStringList states = {QStringLiteral("normal"), QStringLiteral("mouse over"),
                                QStringLiteral("pressed"), QStringLiteral("disabled")};
    constexpr int kColumn = 190;
    QImage sheet(40 + kColumn * 4, 330, QImage::Format_RGB32);
    sheet.fill(kDialogBlue);
    QPainter painter(&sheet);
    painter.setPen(kDialogText);
    for (int state = 0; state < 4; ++state) {
        painter.drawText(QRect(20 + kColumn * state, 8, kColumn, 20), Qt::AlignLeft, states[state]);
        SkinButton command(QStringLiteral("通讯录"));
        command.gradientFace = true;
        command.SetStyle(SkinButton::kFlat);
        command.resize(Du(34), Du(19));
        SkinButton wide(QStringLiteral("编写新短信并发送"));
        wide.gradientFace = true;
        wide.SetStyle(SkinButton::kFlat);
        wide.resize(Du(34), Du(19));
        SkinButton title;
        title.SetBitmap(ArtPaths::Image(ArtImage::CloseButton));
        title.SetTextMode(SkinButton::kNoText);
        title.resize(Du(9), Du(9));
        for (SkinButton* button : {&command, &wide, &title}) {
            if (state == 1) {
                Hover(*button);
            } else if (state == 2) {
                Hover(*button);
                button->setDown(true);
            } else if (state == 3) {
                button->setEnabled(false);
            }
        }
        const int x = 20 + kColumn * state;
        const QImage small = command.grab().toImage();
        painter.drawImage(QPoint(x, 34), small);
        painter.drawImage(QPoint(x + 60, 34), wide.grab().toImage());
        painter.drawImage(QPoint(x + 120, 34), title.grab().toImage());
        painter.drawImage(QRect(QPoint(x, 80), small.size() * 3), small);
        const QImage bitmap = title.grab().toImage();
        painter.drawImage(QRect(QPoint(x, 180), bitmap.size() * 6), bitmap);
    }
    painter.drawText(QRect(20, 300, sheet.width() - 40, 20), Qt::AlignLeft,
                     QStringLiteral("actual size (command button, cut caption, title button); "
                                    "below: 3x command button, 6x close button"));
    painter.end();
    return sheet;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s BUTTONS.png MENU.png\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    InstallMenuLook();
    SelectMenuStyle(6);
    const QString buttonsPath = QString::fromLocal8Bit(argv[1]);
    const QString menuPath = QString::fromLocal8Bit(argv[2]);
    if (!ButtonSheet().save(buttonsPath)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }

    // A plain desktop behind the window, so that the shadow has something to darken
    // both over the skin and beside it.
    QWidget desktop;
    desktop.setWindowFlag(Qt::FramelessWindowHint);
    desktop.setGeometry(0, 0, 800, 600);
    desktop.setStyleSheet(QStringLiteral("background: rgb(58, 110, 165);"));
    desktop.show();
    SkinWindow window;
    window.move(20, 20);
    window.show();
    for (SkinButton* button : window.commands) {
        button->setEnabled(true);
    }
    QMenu menu;
    menu.addAction(QStringLiteral("编写新短信"));
    menu.addAction(QStringLiteral("收件箱"));
    int result = 1;
    QTimer::singleShot(600, [&] {
        SkinButton* sms = window.commands[2];
        Hover(*sms);
        menu.popup(sms->mapToGlobal(QPoint(0, sms->height())));
        QTimer::singleShot(600, [&] {
            const QImage shot = window.screen()
                                    ->grabWindow(0, 0, 0, window.width() + 40, window.height() + 90)
                                    .toImage();
            result = shot.save(menuPath) ? 0 : 1;
            menu.close();
            app.quit();
        });
    });
    app.exec();
    return result;
}
