// The benchmark's figures as JSON: one object per configuration, written one to a line
// inside {"configs": [...]}, so that two runs can be compared by reading them back.
#pragma once

#include <map>
#include <string>
#include <vector>

struct BenchRecord {
    std::string name;                       // configuration and size, e.g. "default 1280x720"
    std::map<std::string, double> figures;  // figure name -> value
};

// One record as a JSON object on one line.
std::string benchRecordJson(const BenchRecord& record);
// The inverse of benchRecordJson; false when the text is not such an object.
bool parseBenchRecord(const std::string& line, BenchRecord* record);
// Writes the records as {"configs": [...]}; false when the file cannot be written.
bool writeBenchJson(const std::string& file, const std::vector<BenchRecord>& records);
// Reads a file written by writeBenchJson; false when it cannot be read or holds no record.
bool readBenchJson(const std::string& file, std::vector<BenchRecord>* records, std::string* error);
