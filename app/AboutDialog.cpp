#include "app/AboutDialog.h"

#include <QCoreApplication>
#include <QLabel>

#include "pages/DialogUnits.h"
#include "ui/SkinButton.h"

namespace veltro {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QCoreApplication::translate("AboutDialog", kCaption));
    setFont(DialogUnits::DialogFont());
    setAutoFillBackground(true);
    const DialogUnits units;
    setFixedSize(units.ToPixels(QSize(187, 57)));

    auto* version = new QLabel(QCoreApplication::translate("AboutDialog", kVersionText), this);
    version->setGeometry(units.ToPixels(QRect(14, 10, 160, 8)));
    auto* notice = new QLabel(QCoreApplication::translate("AboutDialog", kNoticeText), this);
    notice->setGeometry(units.ToPixels(QRect(14, 22, 160, 8)));
    auto* ok = new SkinButton(QCoreApplication::translate("AboutDialog", "确定"), this);
    ok->setGeometry(units.ToPixels(QRect(68, 36, 50, 14)));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace veltro
