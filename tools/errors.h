// The one error type of the renderer: a one-line message for the user and the exit
// status that tells scripts what kind of failure it was.
#pragma once

#include <stdexcept>
#include <string>

enum {
    QV_EXIT_OK = 0,
    QV_EXIT_FILE = 1,        // input or output file: missing, unreadable, unsupported, write failure
    QV_EXIT_USAGE = 2,       // command line: unknown command, effect, preset, control, bad value
    QV_EXIT_SLOW = 3,        // --rate-check: the effect ran slower than real time
    QV_EXIT_INTERRUPTED = 130,
};

class QVError : public std::runtime_error {
public:
    QVError(int iExit, const std::string& message) : std::runtime_error(message), m_iExit(iExit) {}
    int ExitCode() const { return m_iExit; }

private:
    int m_iExit;
};

inline QVError QVUsageError(const std::string& message) { return QVError(QV_EXIT_USAGE, message); }
inline QVError QVFileError(const std::string& message) { return QVError(QV_EXIT_FILE, message); }
