#include "app/busyfeedback.h"

#include <QApplication>
#include <utility>

namespace veltrane {

BusyCursor::BusyCursor(Qt::CursorShape shape)
{
    QApplication::setOverrideCursor(shape);
}

BusyCursor::~BusyCursor()
{
    release();
}

void BusyCursor::release()
{
    if (!held)
        return;
    held = false;
    QApplication::restoreOverrideCursor();
}

BusyUntil::BusyUntil(std::function<bool()> done, int timeoutMs, QObject *parent)
    : QObject(parent), done(std::move(done)), timeoutMs(timeoutMs)
{
    poll.setInterval(kPollMs);
    connect(&poll, &QTimer::timeout, this, &BusyUntil::check);
    waited.start();
}

void BusyUntil::start()
{
    check();
    if (isBusy())
        poll.start();
}

void BusyUntil::check()
{
    if (!isBusy())
        return;
    const bool finished = this->done();
    if (!finished && waited.elapsed() < timeoutMs)
        return;
    poll.stop();
    cursor.release();
    emit ended(finished);
}

}  // namespace veltrane
