#pragma once

#include <QString>
#include <QVariant>

/// How a stored value reads in a text field or a grid cell; documents have
/// no text of their own.
inline QString fieldText(const QVariant &value)
{
    if (value.isNull() || value.typeId() == QMetaType::QByteArray)
        return QString();
    return value.toString();
}
