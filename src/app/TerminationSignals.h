// SIGTERM and SIGINT (a logout, `kill`, Ctrl+C in the terminal) end the
// program the orderly way: a running MP3 import or playback stops, its
// temporary file is deleted, and the windows close without the question
// whether to quit.
//
// The signal handler itself only writes one byte into a pipe; the event
// loop (which also runs inside the import and play loops) reads it and
// calls the handler given here, where anything may be done.
//
// SIGXFSZ (a file-size limit, `ulimit -f`) is ignored for the whole run: a
// write past the limit then fails with EFBIG and takes the checked path of
// a full disk (message, temporary file deleted, old clip kept) instead of
// killing the program.
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; `onSignal` runs on the event loop's thread.
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;

    // How many signals have arrived so far, counted by the handler itself:
    // a save compares it with its start to stop before the event loop runs.
    static unsigned Received();

private:
    std::function<void()> FOnSignal;
    QSocketNotifier* FNotifier = nullptr;
};
