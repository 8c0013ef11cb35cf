#pragma once

#include <QPainterPath>
#include <QString>

namespace veltro::art {

// Capital letters drawn as strokes on a grid 4 units wide and 6 units tall, so that the
// art needs no installed font and comes out the same on every machine. Knows the
// letters the program's pictures use: E G L N O P R S T V and the space.
class Lettering {
public:
    // The centre lines of text whose capitals are capHeight tall, starting at (0, 0) at
    // the top left; stroke them with a round pen.
    static QPainterPath Path(const QString& text, qreal capHeight, qreal spacing);
    static qreal Width(const QString& text, qreal capHeight, qreal spacing);
};

}  // namespace veltro::art
