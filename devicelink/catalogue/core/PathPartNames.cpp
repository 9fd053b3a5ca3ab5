#include "PathPartNames.h"

#include <QtGlobal>

#include <algorithm>

namespace PathPartNames {

bool Usable(const QString& name) {
    if (name.isEmpty() || name == u"." || name == u"..")
        return false;
    return std::none_of(name.begin(), name.end(), [](QChar c) {
        return c == u'/' || c == u'\\' || c.category() == QChar::Other_Control;
    });
}

bool Checked(const QString& name, const char* where, const char* what) {
    if (Usable(name))
        return true;
    qDebug("main: catalogue: %s: %s of %d characters refused: it could lead a path out of its folder", where, what,
           static_cast<int>(name.size()));
    return false;
}

} // namespace PathPartNames
