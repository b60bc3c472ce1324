#pragma once
// Finding a window's control by its object name, for the program's tests.

#include <QList>
#include <QObject>
#include <QString>
#include <QtGlobal>

namespace tkq::gui::test {

// The one `T` named `name` among `parent`'s descendants. A window without
// it, or with two (the name no longer tells them apart), stops the test
// with a message naming the window and the control.
template <class T>
T* Child(const QObject* parent, const char* name) {
  if (parent == nullptr) qFatal("Child: no window to look for \"%s\" in", name);
  const QList<T*> found = parent->findChildren<T*>(QString::fromUtf8(name));
  if (found.size() != 1) {
    qFatal("Child: %s \"%s\" has %d controls of type %s named \"%s\", expected 1", parent->metaObject()->className(),
           qPrintable(parent->objectName()), static_cast<int>(found.size()), T::staticMetaObject.className(), name);
  }
  return found.front();
}

}  // namespace tkq::gui::test
