#pragma once

#include <QObject>
#include <QString>

/// Tells every record source of this program that one of them let go of a
/// file replaced or removed underneath it, so that the others read the file
/// now at the path too, once the command that found it is over.
class FileFollowing : public QObject
{
    Q_OBJECT

public:
    static FileFollowing &instance();

signals:
    /// The path or address the file was opened by.
    void fileLeft(const QString &databasePath);
};
