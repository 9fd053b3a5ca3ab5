#pragma once
// The process-wide list of serial devices that the link has open, and the machine's port list
// for the port scan. Its lock is held only inside add and remove (and while copying the list).
#include <QString>
#include <QStringList>

#include <mutex>

class TPortRegistry {
public:
    void add(const QString& name);    // appends unless the list holds it already
    void remove(const QString& name); // removes it when present
    bool contains(const QString& name) const;
    QStringList names() const;

    // The one registry of the library.
    static TPortRegistry& instance();

private:
    mutable std::mutex mutex_;
    QStringList names_;
};

// The serial ports of the machine (see PortList.h), appended to *list.
void listSerialPorts(QStringList* list);
