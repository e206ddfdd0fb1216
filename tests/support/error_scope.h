// An error list installed on the calling thread for the length of a scope,
// as a request installs its own. Needs no test framework: the fuzz targets
// use it too.
#pragma once
#include "base/error_list.h"

class ScopedErrorList {
public:
    // Stops the program when the list cannot be made: a run without its
    // own list would check some other list's diagnostics.
    explicit ScopedErrorList(int keepAll = 1);
    ~ScopedErrorList();
    ScopedErrorList(const ScopedErrorList&) = delete;
    ScopedErrorList& operator=(const ScopedErrorList&) = delete;
    RvErrorList* operator->() const { return list; }
    RvErrorList* get() const { return list; }

private:
    RvErrorList* list;
};
