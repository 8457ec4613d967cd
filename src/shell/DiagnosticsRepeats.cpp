// Repeat suppression for the diagnostic outputs (see DiagnosticsRepeats.h).
#include "shell/DiagnosticsRepeats.h"

#include <algorithm>
#include <utility>
#include <vector>

DiagnosticsRepeats::Verdict DiagnosticsRepeats::admit(std::string_view text) {
    auto found = counts.find(std::string(text));
    if (found == counts.end()) {
        if (counts.size() < kMaxTracked) counts.emplace(std::string(text), 1);
        return Verdict::Write;
    }
    const uint64_t seen = ++found->second;
    if (seen <= kShownRepeats) return Verdict::Write;
    return seen == kShownRepeats + 1 ? Verdict::Announce : Verdict::Suppress;
}

void DiagnosticsRepeats::forEachSuppressed(const std::function<void(const std::string&, uint64_t)>& visit) const {
    // In text order, so two runs with the same faults close their logs alike.
    std::vector<std::pair<std::string, uint64_t>> held;
    for (const auto& [text, seen] : counts)
        if (seen > kShownRepeats) held.emplace_back(text, seen - kShownRepeats);
    std::sort(held.begin(), held.end());
    for (const auto& [text, count] : held) visit(text, count);
}

namespace {

// A message is quoted on one line, without the line end it usually carries.
std::string_view oneLine(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string repeatsSuppressedNotice(std::string_view text) {
    return "Further repeats of this message are suppressed: " + std::string(oneLine(text)) + "\n";
}

std::string repeatsSuppressedSummary(std::string_view text, uint64_t count) {
    return "Suppressed " + std::to_string(count) + " repeats of: " + std::string(oneLine(text)) + "\n";
}
