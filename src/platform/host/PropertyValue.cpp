#include "platform/host/PropertyValue.h"

#include <optional>

namespace host {
namespace {

std::optional<std::int64_t> asNumber(const PropertyValue& value) {
    if (std::holds_alternative<std::monostate>(value))
        return 0;
    if (auto v = std::get_if<std::int16_t>(&value))
        return *v;
    if (auto v = std::get_if<std::int32_t>(&value))
        return *v;
    if (auto v = std::get_if<bool>(&value))
        return *v ? -1 : 0;
    if (auto v = std::get_if<Colour>(&value))
        return static_cast<std::int32_t>(v->value);
    return std::nullopt;
}

} // namespace

bool valuesEqual(const PropertyValue& a, const PropertyValue& b) {
    const bool aEmpty = std::holds_alternative<std::monostate>(a);
    const bool bEmpty = std::holds_alternative<std::monostate>(b);
    if (aEmpty && bEmpty)
        return true;
    if (aEmpty || bEmpty) {
        const PropertyValue& other = aEmpty ? b : a;
        if (auto text = std::get_if<QString>(&other))
            return text->isEmpty();
    }
    const auto na = asNumber(a);
    const auto nb = asNumber(b);
    if (na && nb)
        return *na == *nb;
    if (auto ta = std::get_if<QString>(&a)) {
        if (auto tb = std::get_if<QString>(&b))
            return *ta == *tb;
        return false;
    }
    if (auto fa = std::get_if<QFont>(&a)) {
        if (auto fb = std::get_if<QFont>(&b))
            return *fa == *fb;
        return false;
    }
    if (auto pa = std::get_if<QImage>(&a)) {
        if (auto pb = std::get_if<QImage>(&b))
            return *pa == *pb;
        return false;
    }
    return false;
}

std::int32_t toInt32(const PropertyValue& value, std::int32_t fallback) {
    if (auto n = asNumber(value))
        return static_cast<std::int32_t>(*n);
    if (auto text = std::get_if<QString>(&value)) {
        bool ok = false;
        const int parsed = text->trimmed().toInt(&ok);
        return ok ? parsed : fallback;
    }
    return fallback;
}

bool toBool(const PropertyValue& value, bool fallback) {
    if (auto n = asNumber(value))
        return *n != 0;
    return fallback;
}

QString toText(const PropertyValue& value, const QString& fallback) {
    if (std::holds_alternative<std::monostate>(value))
        return QString();
    if (auto text = std::get_if<QString>(&value))
        return *text;
    if (std::holds_alternative<bool>(value))
        return std::get<bool>(value) ? QStringLiteral("True") : QStringLiteral("False");
    if (auto n = asNumber(value))
        return QString::number(*n);
    return fallback;
}

Colour toColour(const PropertyValue& value, Colour fallback) {
    if (auto c = std::get_if<Colour>(&value))
        return *c;
    if (auto n = asNumber(value))
        return Colour{static_cast<std::uint32_t>(*n)};
    return fallback;
}

QFont toFont(const PropertyValue& value, const QFont& fallback) {
    if (auto f = std::get_if<QFont>(&value))
        return *f;
    return fallback;
}

QImage toPicture(const PropertyValue& value, const QImage& fallback) {
    if (auto p = std::get_if<QImage>(&value))
        return *p;
    return fallback;
}

} // namespace host
