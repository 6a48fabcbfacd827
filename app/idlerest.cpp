#include "app/idlerest.h"

#include "data/connection/engineconnection.h"

#include <QApplication>
#include <QEvent>

IdleRest::IdleRest(std::chrono::milliseconds after, QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(after);
    connect(&m_timer, &QTimer::timeout, this, &IdleRest::rest);
    qApp->installEventFilter(this);
    m_timer.start();
}

bool IdleRest::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        m_timer.start();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void IdleRest::rest()
{
    if (QApplication::activeModalWidget()) {
        m_timer.start();
        return;
    }
    EngineConnection::restProgramConnections();
}
