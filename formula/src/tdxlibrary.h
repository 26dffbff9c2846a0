// One loaded plug-in module, shared by everything that calls into it; the
// library is unloaded when the last share goes.
#pragma once

class TdxLibrary {
public:
    // Takes over a handle of the platform's library loader (not null).
    explicit TdxLibrary(void* handle) : handle_(handle) {}
    ~TdxLibrary();
    TdxLibrary(const TdxLibrary&) = delete;
    TdxLibrary& operator=(const TdxLibrary&) = delete;

    void* handle() const { return handle_; }

    // Address of an exported symbol of the module, or null.
    void* symbol(const char* name) const;

private:
    void* handle_;
};
