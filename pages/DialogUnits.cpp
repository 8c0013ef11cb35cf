#include "pages/DialogUnits.h"

#include <algorithm>

#include <QString>
#include <QStringList>

namespace veltro {

namespace {

// Rounded a * b / c, as the templates' conversion rounds.
int Scale(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    return static_cast<int>((product >= 0 ? product + c / 2 : product - c / 2) / c);
}

}  // namespace

QFont DialogUnits::DialogFont() {
    static const bool substituted = [] {
        QFont::insertSubstitutions(
            QStringLiteral("宋体"),
            {QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"),
             QStringLiteral("AR PL SungtiL GB"), QStringLiteral("Noto Serif CJK SC")});
        return true;
    }();
    (void)substituted;
    QFont font(QStringLiteral("宋体"), 9);
    font.setStyleStrategy(QFont::PreferMatch);
    return font;
}

DialogUnits::DialogUnits(int baseX, int baseY) : baseX_(baseX), baseY_(baseY) {}

DialogUnits DialogUnits::Fitting(QSize pixels, QSize templateUnits) {
    if (templateUnits.width() <= 0 || templateUnits.height() <= 0) {
        return {};
    }
    return {std::max(1, Scale(pixels.width(), 4, templateUnits.width())),
            std::max(1, Scale(pixels.height(), 8, templateUnits.height()))};
}

int DialogUnits::X(int units) const {
    return Scale(units, baseX_, 4);
}

int DialogUnits::Y(int units) const {
    return Scale(units, baseY_, 8);
}

QSize DialogUnits::ToPixels(QSize units) const {
    return {X(units.width()), Y(units.height())};
}

QRect DialogUnits::ToPixels(QRect units) const {
    // Each edge is converted on its own, so neighbouring controls stay flush.
    const int left = X(units.x());
    const int top = Y(units.y());
    return {left, top, X(units.x() + units.width()) - left, Y(units.y() + units.height()) - top};
}

}  // namespace veltro
