// The palette's face of the drawing-tool list: the tools it shows, each as
// { flag: class name, image: icon file, name: label }.
#pragma once

#include <QObject>
#include <QVariantList>

class QJSEngine;
class QQmlEngine;

class PaintToolList : public QObject {
    Q_OBJECT
    Q_PROPERTY(QVariantList tools READ tools CONSTANT)
public:
    using QObject::QObject;
    // GUI thread.
    QVariantList tools() const;
    // The singleton provider for qmlRegisterSingletonType.
    static QObject* provider(QQmlEngine* engine, QJSEngine* scriptEngine);
};
