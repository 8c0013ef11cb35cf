#include "app/AboutDialog.h"

#include <QLabel>

#include "pages/DialogUnits.h"
#include "ui/SkinButton.h"

namespace veltro {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(kCaption));
    setFont(DialogUnits::DialogFont());
    setAutoFillBackground(true);
    const DialogUnits units;
    setFixedSize(units.ToPixels(QSize(187, 57)));

    auto* version = new QLabel(QString::fromUtf8(kVersionText), this);
    version->setGeometry(units.ToPixels(QRect(14, 10, 160, 8)));
    auto* notice = new QLabel(QString::fromUtf8(kNoticeText), this);
    notice->setGeometry(units.ToPixels(QRect(14, 22, 160, 8)));
    auto* ok = new SkinButton(QStringLiteral("确定"), this);
    ok->setGeometry(units.ToPixels(QRect(68, 36, 50, 14)));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace veltro
