// Names from the host that become parts of a file name.
#ifndef QUORVEX_FILENAME_H
#define QUORVEX_FILENAME_H

#include <string>

namespace quorvex {

// An injective file-name part: every byte outside ASCII letters, digits,
// '_', '.' and '-', and a leading '.', becomes "%XX" (upper-case hex), so
// two different names never share a file ("张三" and "李四" differ).
std::string encodeFileNamePart(const std::string& name);

// The older, collapsing scheme, still read once: every byte outside ASCII
// letters, digits, '_', '.' and '-', and every leading '.', becomes '_'; an
// empty name becomes "_".
std::string sanitiseFileNamePart(const std::string& name);

}  // namespace quorvex

#endif
