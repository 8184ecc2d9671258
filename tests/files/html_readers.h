// Reading our web pages back in tests: image sources, percent-decoded.
#pragma once

#include <string>
#include <vector>

namespace htmltest {

inline std::string PercentDecoded(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i)
        if (s[i] == '%' && i + 2 < s.size()) {
            out += char(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    return out;
}

// Every src="..." of the page, percent-decoded, in order.
inline std::vector<std::string> ImageSources(const std::string& page) {
    std::vector<std::string> sources;
    const std::string src = "src=\"";
    for (size_t at = page.find(src); at != std::string::npos; at = page.find(src, at)) {
        const size_t from = at + src.size(), to = page.find('"', from);
        if (to == std::string::npos) break;
        sources.push_back(PercentDecoded(page.substr(from, to - from)));
        at = to + 1;
    }
    return sources;
}

}  // namespace htmltest
