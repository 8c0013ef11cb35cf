#pragma once

#include <QDialog>
#include <QtGlobal>

namespace veltro {

// "关于...": the program's name and version, the maker's notice and an OK button.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kCaption = QT_TRANSLATE_NOOP("AboutDialog", "关于...");
    static constexpr const char* kVersionText =
        QT_TRANSLATE_NOOP("AboutDialog", "Veltro科技 GPRS 5.0 版");
    // The maker's notice, also shown at the bottom of the main window.
    static constexpr const char* kNoticeText =
        QT_TRANSLATE_NOOP("AboutDialog", "Veltro科技 版权所有");

    explicit AboutDialog(QWidget* parent);
};

}  // namespace veltro
