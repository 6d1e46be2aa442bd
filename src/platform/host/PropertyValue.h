#pragma once

#include <QFont>
#include <QImage>
#include <QString>

#include <cstdint>
#include <variant>

namespace host {

// A colour as the controls' design data holds it: 0x00BBGGRR, or, with the high bit set, a
// reference to a system colour by its index in the low byte.
struct Colour {
    std::uint32_t value = 0;
    friend bool operator==(Colour, Colour) = default;
};

// One stored property value. `std::monostate` is "no value": it equals a zero number, false and
// an empty text, as the stores the controls were designed against compare them.
using PropertyValue =
    std::variant<std::monostate, std::int16_t, std::int32_t, bool, QString, Colour, QFont, QImage>;

// Equality as the store uses it to drop a write equal to its default: numbers (16-bit, 32-bit,
// booleans as 0 / -1, colours) compare by value whatever their width.
bool valuesEqual(const PropertyValue& a, const PropertyValue& b);

// Conversions for reading; a value of another kind converts where that makes sense, else
// yields the fallback.
std::int32_t toInt32(const PropertyValue& value, std::int32_t fallback = 0);
bool toBool(const PropertyValue& value, bool fallback = false);
QString toText(const PropertyValue& value, const QString& fallback = {});
Colour toColour(const PropertyValue& value, Colour fallback = {});
QFont toFont(const PropertyValue& value, const QFont& fallback = {});
QImage toPicture(const PropertyValue& value, const QImage& fallback = {});

// True for a 16-bit number, the width the controls' design defaults are given in.
inline bool isInt16(const PropertyValue& value) {
    return std::holds_alternative<std::int16_t>(value);
}

} // namespace host
