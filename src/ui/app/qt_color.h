#pragma once

#include "core/render/color.h"

#include <QColor>

// A colour 0x00BBGGRR as Qt takes it, and back.
inline QColor ToQColor(lirovane::Color color)
{
    return QColor(lirovane::RedOf(color), lirovane::GreenOf(color), lirovane::BlueOf(color));
}

inline lirovane::Color FromQColor(const QColor& color)
{
    return lirovane::MakeColor(static_cast<std::uint8_t>(color.red()), static_cast<std::uint8_t>(color.green()),
                               static_cast<std::uint8_t>(color.blue()));
}
