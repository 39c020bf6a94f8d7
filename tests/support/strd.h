// Reads a reference data set of the statistical reference collection in
// ../shared/strd: header keys, certified values and the observations.
#pragma once

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace qrv::test {

struct StrdSet {
    std::string name;
    std::map<std::string, std::vector<std::string>> header;  // every other key line
    std::map<std::string, double> certified;
    std::vector<std::string> columns;
    std::vector<std::vector<double>> rows;  // one per observation, a value per column
};

inline StrdSet readStrd(const std::string& path) {
    StrdSet s;
    std::ifstream in(path);
    std::string line;
    bool body = false;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        if (!body) {
            std::string key;
            words >> key;
            if (key == "data") {
                body = true;
            } else if (key == "name") {
                words >> s.name;
            } else if (key == "columns") {
                for (std::string c; words >> c;) s.columns.push_back(c);
            } else if (key == "certified") {
                std::string k, v;
                words >> k >> v;
                s.certified[k] = std::strtod(v.c_str(), nullptr);
            } else {
                auto& values = s.header[key];
                for (std::string v; words >> v;) values.push_back(v);
            }
            continue;
        }
        std::vector<double> row;
        for (std::string v; words >> v;) row.push_back(std::strtod(v.c_str(), nullptr));
        s.rows.push_back(row);
    }
    return s;
}

// Log relative error: the number of correct significant digits, at most 15.
inline double correctDigits(double value, double certified) {
    if (value == certified) return 15;
    const double rel = std::abs(value - certified) / std::abs(certified);
    const double digits = -std::log10(rel);
    return digits > 15 ? 15 : digits;
}

}  // namespace qrv::test
