#pragma once

#include <QElapsedTimer>
#include <QObject>

namespace quillet::qt {

// Keeps the program's windows painted and answering the desktop while a conversion runs on
// the user-interface thread, and takes no input meanwhile: clicks, keys and close requests
// made during the run are dropped, not replayed after it. Paint and the window manager's pings
// are handled every frontend::kPaintIntervalMilliseconds at most, so that the run is not slowed.
class RunEventGate : public QObject {
    Q_OBJECT

  public:
    // Starts dropping input. Does nothing when the gate is already shut.
    void shut();
    // Handles what waits (paint, pings) when the interval has passed since the last time.
    void keepResponsive();
    // Drops the input that came during the run, then takes input again.
    void open();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void handleWaitingEvents();

    bool m_shut = false;
    QElapsedTimer m_sinceHandled;
};

}  // namespace quillet::qt
