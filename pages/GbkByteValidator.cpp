#include "pages/GbkByteValidator.h"

#include "modem/GbkText.h"

namespace veltro {

namespace {

// The GBK bytes of one character, -1 when GBK cannot hold it.
int CharacterBytes(const QString& character) {
    const std::optional<std::string> gbk = GbkText::FromUtf8(character.toStdString());
    // FromUtf8 stands '?' in for a character GBK lacks.
    if (!gbk || (*gbk == "?" && character != QStringLiteral("?"))) {
        return -1;
    }
    return static_cast<int>(gbk->size());
}

int CharacterLength(const QString& text, int at) {
    return text.at(at).isHighSurrogate() && at + 1 < text.size() ? 2 : 1;
}

}  // namespace

GbkByteValidator::GbkByteValidator(int maxBytes, QObject* parent)
    : QValidator(parent), maxBytes_(maxBytes) {}

int GbkByteValidator::GbkBytes(const QString& text) {
    int bytes = 0;
    for (int i = 0; i < text.size();) {
        const int length = CharacterLength(text, i);
        const int characterBytes = CharacterBytes(text.mid(i, length));
        if (characterBytes < 0) {
            return -1;
        }
        bytes += characterBytes;
        i += length;
    }
    return bytes;
}

QValidator::State GbkByteValidator::validate(QString& input, int& pos) const {
    // Characters GBK cannot hold are dropped wherever they are.
    for (int i = 0; i < input.size();) {
        const int length = CharacterLength(input, i);
        if (CharacterBytes(input.mid(i, length)) >= 0) {
            i += length;
            continue;
        }
        input.remove(i, length);
        if (pos > i) {
            pos -= std::min(length, pos - i);
        }
    }
    // What was just typed or pasted ends at the cursor: drop from there, one whole
    // character at a time, until the rest fits.
    while (GbkBytes(input) > maxBytes_) {
        if (pos <= 0) {
            return Invalid;
        }
        const int length = pos >= 2 && input.at(pos - 1).isLowSurrogate() ? 2 : 1;
        input.remove(pos - length, length);
        pos -= length;
    }
    return Acceptable;
}

}  // namespace veltro
