#pragma once
// Busy feedback of the window: an application-wide cursor held for as long
// as some work goes on, including work that ends at a later turn of the
// event loop (a view's first frame, a run on its own thread).

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

namespace veltrane {

// The application's override cursor set to `shape` from construction until
// release() or destruction.
class BusyCursor {
public:
    explicit BusyCursor(Qt::CursorShape shape);
    ~BusyCursor();
    void release();
    bool isHeld() const { return held; }

    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    bool held = true;
};

// Holds the wait cursor from construction until `done` is true or timeoutMs
// have passed, then emits ended() once, with whether `done` said so. start()
// asks at once, then every kPollMs from the event loop.
class BusyUntil : public QObject {
    Q_OBJECT

public:
    static constexpr int kPollMs = 20;

    BusyUntil(std::function<bool()> done, int timeoutMs, QObject *parent = nullptr);
    void start();
    bool isBusy() const { return cursor.isHeld(); }

signals:
    void ended(bool done);

private:
    void check();

    std::function<bool()> done;
    int timeoutMs;
    QElapsedTimer waited;
    BusyCursor cursor{Qt::WaitCursor};
    QTimer poll;
};

}  // namespace veltrane
