// Queries over the recording log, so tests can ask "was it called, how often, in which
// order" without scanning lines by hand.
#include "ZarnRecordingDevice.h"

namespace {

// "SetTexture(0, tex1)" and "tex1.LockRect(0, null, 0x0)" are both calls of their method.
bool isCallOf(const std::string& line, const std::string& method) {
    size_t open = line.find('(');
    if (open == std::string::npos || open < method.size()) return false;
    size_t start = open - method.size();
    if (line.compare(start, method.size(), method) != 0) return false;
    return start == 0 || line[start - 1] == '.';
}

}  // namespace

int ZarnRecordingLog::count(const std::string& line) const {
    int n = 0;
    for (const std::string& l : lines) n += (l == line);
    return n;
}

int ZarnRecordingLog::indexOf(const std::string& line, size_t from) const {
    for (size_t i = from; i < lines.size(); ++i)
        if (lines[i] == line) return static_cast<int>(i);
    return -1;
}

int ZarnRecordingLog::countCalls(const std::string& method) const {
    int n = 0;
    for (const std::string& l : lines) n += isCallOf(l, method);
    return n;
}

int ZarnRecordingLog::indexOfCall(const std::string& method, size_t from) const {
    for (size_t i = from; i < lines.size(); ++i)
        if (isCallOf(lines[i], method)) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> ZarnRecordingLog::calls(const std::string& method) const {
    std::vector<std::string> found;
    for (const std::string& l : lines)
        if (isCallOf(l, method)) found.push_back(l);
    return found;
}

int ZarnRecordingLog::countPrefix(const std::string& prefix) const {
    int n = 0;
    for (const std::string& l : lines) n += (l.rfind(prefix, 0) == 0);
    return n;
}

int ZarnRecordingLog::indexOfPrefix(const std::string& prefix, size_t from) const {
    for (size_t i = from; i < lines.size(); ++i)
        if (lines[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    return -1;
}

std::string ZarnRecordingLog::text() const {
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    return all;
}
