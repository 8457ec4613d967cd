// Keeps a message that comes back without end (a missing texture reported at every draw,
// twenty times a frame, all night) from growing the log and the console without bound. Each
// distinct text is written letter for letter its first few times, then one line says that
// its repeats are suppressed, and the log's close says how many were.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

class DiagnosticsRepeats {
public:
    // How often one text is written before its repeats are held back.
    static constexpr uint64_t kShownRepeats = 10;
    // Distinct texts remembered; texts beyond this are written unfiltered (the outputs' size
    // limits still hold them).
    static constexpr size_t kMaxTracked = 4096;

    enum class Verdict { Write, Announce, Suppress };

    // What to do with this occurrence of a text: write it, write the notice that its
    // repeats are suppressed from now on (instead of the text), or drop it.
    Verdict admit(std::string_view text);

    // Every text that had repeats held back, with how many, in text order.
    void forEachSuppressed(const std::function<void(const std::string&, uint64_t)>& visit) const;

    void reset() { counts.clear(); }

private:
    std::unordered_map<std::string, uint64_t> counts;
};

// The notice for a text whose repeats are suppressed from now on, and the closing summary.
std::string repeatsSuppressedNotice(std::string_view text);
std::string repeatsSuppressedSummary(std::string_view text, uint64_t count);
