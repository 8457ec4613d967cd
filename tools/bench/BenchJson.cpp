// Writing and reading the benchmark's JSON. The reader understands exactly what the writer
// writes (flat objects of one string and numbers), which is all a comparison needs.
#include "BenchJson.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

void skipSpace(const std::string& s, size_t* i) {
    while (*i < s.size() && (s[*i] == ' ' || s[*i] == '\t' || s[*i] == '\r' || s[*i] == '\n')) ++*i;
}

bool readString(const std::string& s, size_t* i, std::string* out) {
    skipSpace(s, i);
    if (*i >= s.size() || s[*i] != '"') return false;
    out->clear();
    for (++*i; *i < s.size(); ++*i) {
        char c = s[*i];
        if (c == '"') {
            ++*i;
            return true;
        }
        if (c == '\\') {
            if (++*i >= s.size()) return false;
            c = s[*i];
        }
        *out += c;
    }
    return false;
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) >= 0x20) out += c;
    }
    return out + "\"";
}

}  // namespace

std::string benchRecordJson(const BenchRecord& record) {
    std::string out = "{\"name\": " + quoted(record.name);
    for (const auto& [key, value] : record.figures) {
        char number[64];
        // JSON has no NaN or infinity; a figure that could not be measured reads as -1.
        std::snprintf(number, sizeof number, "%.10g", std::isfinite(value) ? value : -1.0);
        out += ", " + quoted(key) + ": " + number;
    }
    return out + "}";
}

bool parseBenchRecord(const std::string& line, BenchRecord* record) {
    size_t i = 0;
    skipSpace(line, &i);
    if (i >= line.size() || line[i] != '{') return false;
    ++i;
    BenchRecord result;
    bool haveName = false;
    for (;;) {
        std::string key;
        if (!readString(line, &i, &key)) return false;
        skipSpace(line, &i);
        if (i >= line.size() || line[i] != ':') return false;
        ++i;
        skipSpace(line, &i);
        if (key == "name") {
            if (!readString(line, &i, &result.name)) return false;
            haveName = true;
        } else {
            const char* start = line.c_str() + i;
            char* end = nullptr;
            const double value = std::strtod(start, &end);
            if (end == start) return false;
            result.figures[key] = value;
            i += size_t(end - start);
        }
        skipSpace(line, &i);
        if (i < line.size() && line[i] == ',') {
            ++i;
            continue;
        }
        if (i < line.size() && line[i] == '}') break;
        return false;
    }
    if (!haveName) return false;
    *record = std::move(result);
    return true;
}

bool writeBenchJson(const std::string& file, const std::vector<BenchRecord>& records) {
    std::ofstream out(file);
    out << "{\"configs\": [\n";
    for (size_t k = 0; k < records.size(); ++k)
        out << "  " << benchRecordJson(records[k]) << (k + 1 < records.size() ? ",\n" : "\n");
    out << "]}\n";
    return bool(out);
}

bool readBenchJson(const std::string& file, std::vector<BenchRecord>* records, std::string* error) {
    std::ifstream in(file);
    if (!in) {
        *error = "cannot read " + file;
        return false;
    }
    records->clear();
    std::string line;
    while (std::getline(in, line)) {
        size_t open = line.find('{');
        if (open == std::string::npos || line.find("\"configs\"") != std::string::npos) continue;
        size_t close = line.rfind('}');
        if (close == std::string::npos || close < open) continue;
        BenchRecord record;
        if (parseBenchRecord(line.substr(open, close - open + 1), &record)) records->push_back(record);
    }
    if (records->empty()) {
        *error = file + " holds no benchmark figures";
        return false;
    }
    return true;
}
