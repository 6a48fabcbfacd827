#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

/// Lets go of the program's server connection once nobody has used the
/// program for a while, so that an office's idle workstations hold none of
/// the server's connection slots; the next action opens it again. A dialog
/// waiting for an answer keeps it: its action is not over.
class IdleRest : public QObject
{
public:
    explicit IdleRest(std::chrono::milliseconds after, QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rest();

    QTimer m_timer;
};
