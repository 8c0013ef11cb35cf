// Draws the picture of the skinned buttons for the documentation: every state of the
// two kinds of skinned button (buttons.png). Run it under an X server (Xvfb) with the
// art beside it: tools/render-look.sh does that. The window and its menu are shot from
// the real window by scripts/window-shot.sh.
#include <QApplication>
#include <QEnterEvent>
#include <QPainter>

#include <cstdio>

#include "ui/ArtPaths.h"
#include "ui/SkinButton.h"

using namespace veltro;

namespace {

const QColor kDialogBlue(0, 29, 143);
const QColor kDialogText(230, 230, 230);

int Du(int units) {
    return (units * 3 + 1) / 2;  // 1.5 pixels per dialog unit, rounded
}

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
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s BUTTONS.png\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    if (!ButtonSheet().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
