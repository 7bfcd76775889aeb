#include "qt/run_event_gate.h"

#include <QCoreApplication>
#include <QEvent>

#include "frontend/reporting.h"

namespace quillet::qt {

namespace {

bool isUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::Close:
            return true;
        default:
            return false;
    }
}

}  // namespace

void RunEventGate::shut() {
    if (m_shut) return;
    m_shut = true;
    QCoreApplication::instance()->installEventFilter(this);
    m_sinceHandled.start();
}

void RunEventGate::keepResponsive() {
    if (m_shut && m_sinceHandled.hasExpired(frontend::kPaintIntervalMilliseconds))
        handleWaitingEvents();
}

void RunEventGate::open() {
    if (!m_shut) return;
    handleWaitingEvents();
    // Input posted while the last waiting events were handled is dropped too.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::instance()->removeEventFilter(this);
    m_shut = false;
}

bool RunEventGate::eventFilter(QObject* watched, QEvent* event) {
    if (isUserInput(event->type())) return true;
    return QObject::eventFilter(watched, event);
}

void RunEventGate::handleWaitingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_sinceHandled.restart();
}

}  // namespace quillet::qt
