#include "tdxlibrary.h"

#include "platform/library.h"

TdxLibrary::~TdxLibrary()
{
    platform::free_library(handle_);
}

void* TdxLibrary::symbol(const char* name) const
{
    return platform::library_symbol(handle_, name);
}
