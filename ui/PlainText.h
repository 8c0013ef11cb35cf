#pragma once

#include <QString>

namespace veltro {

// Texts from the card, the network or pppd, shown where Qt would read markup.
class PlainText {
public:
    // A tooltip is shown as rich text when its text looks like markup: such a text is
    // escaped, so that it shows as written; any other text stays as it is.
    static QString ToolTip(const QString& text);
};

}  // namespace veltro
