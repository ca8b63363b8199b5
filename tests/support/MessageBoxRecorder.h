// Answers every message box instead of a person while it lives, and keeps
// what each box would have shown. Needs tarvex_ui.
#pragma once

#include "ui/MessageBoxes.h"

#include <QList>

namespace tarvex {

class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(QMessageBox::StandardButton answer = QMessageBox::Ok)
        : m_previous(setMessageHandler([this, answer](const MessageRequest& request) {
              m_boxes.append(request);
              return answer;
          })) {}
    ~MessageBoxRecorder() { setMessageHandler(m_previous); }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    // The boxes shown so far, oldest first.
    const QList<MessageRequest>& boxes() const { return m_boxes; }
    void clear() { m_boxes.clear(); }

private:
    QList<MessageRequest> m_boxes;
    MessageHandler m_previous;
};

} // namespace tarvex
