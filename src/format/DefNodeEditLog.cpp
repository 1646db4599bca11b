#include "format/DefNodeEditLog.h"

namespace format {
namespace {

// The editor edits from one thread; a log per thread keeps a second thread
// (the progress window, tools) from ever reporting into an edit.
thread_local NodeEditLog* t_activeLog = nullptr;

} // namespace

NodeEditLog* ActiveNodeEditLog() {
    return t_activeLog;
}

ScopedNodeEditLog::ScopedNodeEditLog(NodeEditLog* log) : m_previous(t_activeLog) {
    t_activeLog = log;
}

ScopedNodeEditLog::~ScopedNodeEditLog() {
    t_activeLog = m_previous;
}

} // namespace format
