#include "TPortRegistry.h"

#include "PortList.h"

void TPortRegistry::add(const QString& name) {
    std::lock_guard lock(mutex_);
    if (!names_.contains(name))
        names_.append(name);
}

void TPortRegistry::remove(const QString& name) {
    std::lock_guard lock(mutex_);
    names_.removeAll(name);
}

bool TPortRegistry::contains(const QString& name) const {
    std::lock_guard lock(mutex_);
    return names_.contains(name);
}

QStringList TPortRegistry::names() const {
    std::lock_guard lock(mutex_);
    return names_;
}

TPortRegistry& TPortRegistry::instance() {
    static TPortRegistry registry;
    return registry;
}

void listSerialPorts(QStringList* list) {
    if (!list)
        return;
    for (const std::string& port : ListSerialPorts())
        list->append(QString::fromStdString(port));
}
