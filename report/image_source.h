// How the page refers to an image the frame check wrote: by its name relative to the report's
// folder when it lies there, else carried inside the page as a data URI, so the page needs
// nothing from outside its folder.
#pragma once

#include <string>

namespace report {

struct ImageSource {
    bool written = false;  // false: no file to show ("not written")
    std::string src;       // for an img element's src, not yet escaped for HTML
};

ImageSource ImageSourceFor(const std::string& path, const std::string& dir);

// The path relative to dir when the file lies in dir (so the folder can be moved whole), else
// as given.
std::string PathInFolder(const std::string& path, const std::string& dir);

std::string Base64(const std::string& bytes);

}  // namespace report
