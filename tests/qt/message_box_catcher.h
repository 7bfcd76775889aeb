#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

// Closes every message box that opens while it lives, writing down what each one showed.
class MessageBoxCatcher {
  public:
    struct Shown {
        QString caption;
        QString text;
        QMessageBox::Icon icon;
        int buttonCount;
        bool applicationModal;
        bool busyPointer;
    };

    MessageBoxCatcher() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { closeOpenBox(); });
        m_timer.start(5);
    }

    QList<Shown> shown;

  private:
    void closeOpenBox() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        const QCursor* cursor = QApplication::overrideCursor();
        shown.append({box->windowTitle(), box->text(), box->icon(),
                      static_cast<int>(box->buttons().size()),
                      box->windowModality() == Qt::ApplicationModal,
                      cursor && cursor->shape() == Qt::WaitCursor});
        box->button(QMessageBox::Ok)->click();
    }

    QTimer m_timer;
};
