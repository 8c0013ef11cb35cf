#pragma once

#include <QValidator>

namespace veltro {

// Keeps an edit field's text within a number of GBK bytes, the encoding the text is
// stored in: a two-byte character counts two. Text typed or pasted beyond the limit is
// cut at the cursor, never inside a character, and characters GBK cannot hold are
// refused, so what the field shows is what the file keeps.
class GbkByteValidator : public QValidator {
    Q_OBJECT

public:
    GbkByteValidator(int maxBytes, QObject* parent);

    int MaxBytes() const { return maxBytes_; }
    // The GBK bytes of text; -1 when text holds a character GBK cannot hold.
    static int GbkBytes(const QString& text);

    State validate(QString& input, int& pos) const override;

private:
    int maxBytes_;
};

}  // namespace veltro
