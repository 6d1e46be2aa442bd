#pragma once

#include "platform/host/PropertyValue.h"

#include <QHash>
#include <QList>
#include <QString>

namespace host {

// The per-instance keyed store of designed property values. Keys compare without regard to
// case. A write equal to its default is not kept, and a key written twice is kept twice: the
// controls read some keys twice on load and write them twice on save.
class PropertyStore {
public:
    struct Entry {
        QString key; // as written
        PropertyValue value;
        int occurrence = 1; // this was the n-th write of its key, counting dropped writes too
    };

    void write(const QString& key, const PropertyValue& value, const PropertyValue& defaultValue = {});
    // Keeps the value whatever it is, for controls that save every property without comparing
    // it with a default.
    void writeAlways(const QString& key, const PropertyValue& value);

    const QList<Entry>& entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.isEmpty(); }
    // Number of kept entries for the key.
    int count(const QString& key) const;
    bool contains(const QString& key) const { return count(key) > 0; }
    // The kept entry of the n-th write of the key (1-based), or nullptr when that write was dropped.
    const Entry* find(const QString& key, int occurrence = 1) const;
    void clear();

    friend bool operator==(const PropertyStore& a, const PropertyStore& b);

private:
    QList<Entry> m_entries;
    QHash<QString, int> m_writes; // lower-cased key -> writes so far, kept or not
};

// Reads a store the way a control's load does: the n-th read of a key answers the n-th write
// of that key, or the default when that write was dropped (it equalled its default) or never
// happened. So a key that a save writes twice with different values loads back as it was.
class PropertyReader {
public:
    explicit PropertyReader(const PropertyStore& store) : m_store(store) {}

    PropertyValue read(const QString& key, const PropertyValue& defaultValue = {});

    std::int32_t readInt32(const QString& key, const PropertyValue& defaultValue = std::int32_t{0}) {
        return toInt32(read(key, defaultValue));
    }
    bool readBool(const QString& key, bool defaultValue) {
        return toBool(read(key, defaultValue), defaultValue);
    }
    QString readText(const QString& key, const QString& defaultValue) {
        return toText(read(key, defaultValue), defaultValue);
    }
    Colour readColour(const QString& key, const PropertyValue& defaultValue) {
        return toColour(read(key, defaultValue));
    }
    QFont readFont(const QString& key, const QFont& defaultValue) {
        return toFont(read(key, defaultValue), defaultValue);
    }
    QImage readPicture(const QString& key, const QImage& defaultValue = {}) {
        return toPicture(read(key, defaultValue), defaultValue);
    }

private:
    const PropertyStore& m_store;
    QHash<QString, int> m_reads;
};

} // namespace host
