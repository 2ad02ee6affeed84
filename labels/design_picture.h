// A picture chosen for a design item is copied into the data folder (the
// working folder), where the print run looks for it, and the item names it
// by its bare file name. A file of that name already there with other
// content is kept: the copy takes the first free name "NAME_2.EXT",
// "NAME_3.EXT", …
#pragma once

#include <string>

namespace lb {

// The name (UTF-8) the item stores for the picture at `path`; empty, with
// `error` set, when it could not be copied.
std::string adoptPicture(const std::string& path, std::string* error = nullptr);

}  // namespace lb
