// Runs work of a worker thread on the GUI thread: Call waits for the result,
// Post does not. Once closed (by the GUI thread, when the window that started
// the worker goes), nothing more runs and a waiting worker goes on at once
// with no result, so the GUI thread may then wait for the worker without
// either waiting for the other. Results live in shared state, so work still
// running on the GUI thread at the close (a modal prompt) ends harmlessly.
#pragma once

#include <QObject>
#include <QPointer>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace qrv::designer {

class GuiRelay {
  public:
    // Work runs on the thread the relay is made on.
    GuiRelay();
    ~GuiRelay();
    GuiRelay(const GuiRelay&) = delete;
    GuiRelay& operator=(const GuiRelay&) = delete;

    // Runs f on the GUI thread (at once when called there) and answers its
    // result; nullopt when the relay is closed before f has finished.
    template <typename R>
    std::optional<R> Call(std::function<R()> f) {
        auto result = std::make_shared<std::optional<R>>();
        if (!run([f = std::move(f), result] { *result = f(); })) return std::nullopt;
        return *result;
    }
    // Runs f on the GUI thread later; false when closed.
    bool Post(std::function<void()> f);
    // GUI thread only.
    void Close();

  private:
    struct State {
        std::mutex mu;
        std::condition_variable cv;
        bool closed = false;
        int running = 0;  // work inside its call on the GUI thread (GUI thread only)
    };
    bool run(std::function<void()> f);

    std::shared_ptr<State> state_;
    QPointer<QObject> context_;
};

}  // namespace qrv::designer
