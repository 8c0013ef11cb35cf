#include "ui/PlainText.h"

#include <QTextDocument>

namespace veltro {

QString PlainText::ToolTip(const QString& text) {
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpacePre) : text;
}

}  // namespace veltro
