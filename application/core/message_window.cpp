#include "application/core/message_window.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>

namespace vox::app {

MessageWindow::MessageWindow() : context_(std::make_unique<QObject>()) {}

MessageWindow::~MessageWindow() = default;

LResult MessageWindow::send(Message message, WParam wParam, LParam lParam) {
    if (QThread::currentThread() == context_->thread()) return deliver(message, wParam, lParam);
    LResult result = 0;
    QMetaObject::invokeMethod(
        context_.get(), [&] { result = deliver(message, wParam, lParam); },
        Qt::BlockingQueuedConnection);
    return result;
}

void MessageWindow::post(Message message, WParam wParam, LParam lParam) {
    QMetaObject::invokeMethod(
        context_.get(), [this, message, wParam, lParam] { deliver(message, wParam, lParam); },
        Qt::QueuedConnection);
}

void MessageWindow::postText(Message message, WParam wParam, std::string text) {
    QMetaObject::invokeMethod(
        context_.get(),
        [this, message, wParam, text = std::move(text)] {
            deliver(message, wParam, reinterpret_cast<LParam>(text.c_str()));
        },
        Qt::QueuedConnection);
}

void MessageWindow::addObserver(MessageObserver* observer) {
    observers_.push_back(observer);
}

void MessageWindow::removeObserver(MessageObserver* observer) {
    std::erase(observers_, observer);
}

LResult MessageWindow::deliver(Message message, WParam wParam, LParam lParam) {
    for (MessageObserver* observer : observers_) observer->observe(message, wParam, lParam);
    return handleMessage(message, wParam, lParam);
}

}  // namespace vox::app
