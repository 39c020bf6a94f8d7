#include "designer/scenarios/gui_relay.h"

#include <QMetaObject>
#include <QThread>

namespace qrv::designer {

GuiRelay::GuiRelay() : state_(std::make_shared<State>()), context_(new QObject) {}

GuiRelay::~GuiRelay() {
    Close();
}

bool GuiRelay::run(std::function<void()> f) {
    std::unique_lock<std::mutex> lock(state_->mu);
    if (state_->closed || !context_) return false;
    if (QThread::currentThread() == context_->thread()) {
        lock.unlock();
        f();
        return true;
    }
    auto done = std::make_shared<bool>(false);
    // Posted under the lock: the context cannot be closed and deleted meanwhile.
    QMetaObject::invokeMethod(
        context_.data(),
        [state = state_, done, f = std::move(f)] {
            {
                std::lock_guard<std::mutex> l(state->mu);
                if (state->closed) return;
            }
            ++state->running;
            f();
            --state->running;
            {
                std::lock_guard<std::mutex> l(state->mu);
                *done = true;
            }
            state->cv.notify_all();
        },
        Qt::QueuedConnection);
    state_->cv.wait(lock, [&] { return *done || state_->closed; });
    return *done;
}

bool GuiRelay::Post(std::function<void()> f) {
    std::lock_guard<std::mutex> lock(state_->mu);
    if (state_->closed || !context_) return false;
    QMetaObject::invokeMethod(
        context_.data(),
        [state = state_, f = std::move(f)] {
            {
                std::lock_guard<std::mutex> l(state->mu);
                if (state->closed) return;
            }
            f();
        },
        Qt::QueuedConnection);
    return true;
}

void GuiRelay::Close() {
    {
        std::lock_guard<std::mutex> lock(state_->mu);
        if (state_->closed) return;
        state_->closed = true;
    }
    state_->cv.notify_all();
    if (!context_) return;
    // Work still inside its call (a prompt's own event loop) must not lose
    // the object it runs on.
    if (state_->running > 0)
        context_->deleteLater();
    else
        delete context_.data();
}

}  // namespace qrv::designer
