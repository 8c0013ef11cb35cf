#pragma once

#include <QDialog>

namespace veltro {

// "关于...": the program's name and version, the maker's notice and an OK button.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kCaption = "关于...";
    static constexpr const char* kVersionText = "Veltro科技 GPRS 5.0 版";
    // The maker's notice, also shown at the bottom of the main window.
    static constexpr const char* kNoticeText = "Veltro科技 版权所有";

    explicit AboutDialog(QWidget* parent);
};

}  // namespace veltro
