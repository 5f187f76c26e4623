// The differences a maintainer expects of one DirectDraw (--expect FILE): one item a line, a kind
// of draw step, a picture or "screen", with an optional comment after '#'. No Windows header here.
#pragma once

#include <set>
#include <string>

namespace verify {

struct Expectations {
    std::set<std::string> items;  // as the verdict names them (diagnostics::DrawKindId, ...)
    bool Has(const std::string& item) const { return items.count(item) != 0; }
};

// Reads `path`; false with the reason, naming the line, when it cannot be read or names an item
// that does not exist.
bool ReadExpectations(const std::string& path, Expectations& out, std::string& error);

}  // namespace verify
