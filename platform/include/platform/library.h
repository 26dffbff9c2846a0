// Loading of shared libraries by the names the program gives them on Windows.
//
// Callers name a library the way it ships on Windows ("Ostrilug.dll"); on Linux
// the same library is "libOstrilug.so". It is looked for in the directory of the
// running program first, then along the dynamic loader's usual search path. A
// name holding a '/' is taken as a path and loaded as it stands.
#pragma once

#include <string>

namespace platform {

// Opaque handle of a loaded library; null means "not loaded".
using LibraryHandle = void*;

// The Linux file name for a Windows library name: "X.dll" -> "libX.so"; a name
// that is already a Linux one ("x.so", "x.so.1") or holds a '/' is returned unchanged.
std::string library_file_name(const std::string& windowsName);

// Directory of the running program, without a trailing '/'; empty if unknown.
std::string program_directory();

// Loads the library; null on failure (the reason is in last_library_error()).
LibraryHandle load_library(const std::string& windowsName);

// Address of an exported symbol, or null.
void* library_symbol(LibraryHandle lib, const char* name);

// Unloads a library; accepts null.
void free_library(LibraryHandle lib);

// Text of the last failure of load_library on this thread.
std::string last_library_error();

}  // namespace platform
