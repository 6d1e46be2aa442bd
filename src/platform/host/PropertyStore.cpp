#include "platform/host/PropertyStore.h"

namespace host {

void PropertyStore::write(const QString& key, const PropertyValue& value, const PropertyValue& defaultValue) {
    const int occurrence = ++m_writes[key.toLower()];
    if (valuesEqual(value, defaultValue))
        return;
    m_entries.append(Entry{key, value, occurrence});
}

void PropertyStore::writeAlways(const QString& key, const PropertyValue& value) {
    const int occurrence = ++m_writes[key.toLower()];
    m_entries.append(Entry{key, value, occurrence});
}

int PropertyStore::count(const QString& key) const {
    int n = 0;
    for (const auto& entry : m_entries)
        if (entry.key.compare(key, Qt::CaseInsensitive) == 0)
            ++n;
    return n;
}

const PropertyStore::Entry* PropertyStore::find(const QString& key, int occurrence) const {
    for (const auto& entry : m_entries)
        if (entry.occurrence == occurrence && entry.key.compare(key, Qt::CaseInsensitive) == 0)
            return &entry;
    return nullptr;
}

void PropertyStore::clear() {
    m_entries.clear();
    m_writes.clear();
}

bool operator==(const PropertyStore& a, const PropertyStore& b) {
    if (a.m_entries.size() != b.m_entries.size())
        return false;
    for (qsizetype i = 0; i < a.m_entries.size(); ++i) {
        const auto& x = a.m_entries[i];
        const auto& y = b.m_entries[i];
        if (x.key.compare(y.key, Qt::CaseInsensitive) != 0 || x.occurrence != y.occurrence ||
            x.value.index() != y.value.index() || !valuesEqual(x.value, y.value))
            return false;
    }
    return true;
}

PropertyValue PropertyReader::read(const QString& key, const PropertyValue& defaultValue) {
    const int occurrence = ++m_reads[key.toLower()];
    if (const auto* entry = m_store.find(key, occurrence))
        return entry->value;
    return defaultValue;
}

} // namespace host
