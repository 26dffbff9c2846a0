// Names from the host that become parts of a file name.
#ifndef QUORVEX_FILENAME_H
#define QUORVEX_FILENAME_H

#include <string>

namespace quorvex {

// Every byte outside ASCII letters, digits, '_', '.' and '-', and every
// leading '.', becomes '_'; an empty name becomes "_".
std::string sanitiseFileNamePart(const std::string& name);

} // namespace quorvex

#endif
