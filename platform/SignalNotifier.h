#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGHUP and SIGINT into the received signal, delivered by
// the event loop, so that the program can save and end as it does when the
// player quits. The handler only writes the signal number to a socket pair:
// nothing else is safe inside a signal handler. While an object lives these
// signals no longer end the process; its destruction restores the default
// actions. One object at a time.
class SignalNotifier : public QObject {
    Q_OBJECT
public:
    explicit SignalNotifier(QObject* parent = nullptr);
    ~SignalNotifier() override;

signals:
    void received(int signalNumber);

private:
    void readPending();

    QSocketNotifier* notifier_ = nullptr;
};
