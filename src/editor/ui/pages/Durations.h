// The duration boxes' text: a float as the boxes show it, and the box's
// text read back (the previous value when it is not a number).
#pragma once

#include <QString>

namespace velmora::editor {

inline QString DurationText(float v) {
    return QString::number(static_cast<double>(v), 'g', 7);
}

inline float ParseDuration(const QString& text, float fallback) {
    bool ok = false;
    float v = text.trimmed().toFloat(&ok);
    return ok ? v : fallback;
}

}  // namespace velmora::editor
