// Reading a table of a document kept with the code, for the tests that hold the
// document to the code.
#pragma once
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

inline std::string ReadSourceFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The rows ("| ... |" lines) of the first table after a heading line; empty when
// the heading is missing.
inline std::vector<std::string> TableAfterHeading(const std::string& doc, const std::string& heading) {
    std::vector<std::string> rows;
    const std::size_t at = doc.find("\n" + heading + "\n");
    if (at == std::string::npos)
        return rows;
    std::istringstream in(doc.substr(at + heading.size() + 2));
    std::string line;
    bool inTable = false;
    while (std::getline(in, line)) {
        if (line.rfind("|", 0) == 0) {
            inTable = true;
            rows.push_back(line);
        } else if (inTable || line.rfind("#", 0) == 0) {
            break;
        }
    }
    return rows;
}
