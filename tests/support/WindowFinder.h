// Reaching a window's parts as a user does: by their object names.
#pragma once

#include <QObject>
#include <QString>

namespace tarvex {

// The child of parent (at any depth) with this object name; a missing one
// ends the test program with a message naming it.
template <class T> T* child(const QObject* parent, const char* name) {
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("%s has no %s named \"%s\"", qPrintable(parent->objectName()),
               T::staticMetaObject.className(), name);
    return found;
}

} // namespace tarvex
