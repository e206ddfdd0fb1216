#include "error_scope.h"
#include <cstdio>
#include <cstdlib>

ScopedErrorList::ScopedErrorList(int keepAll) : list(new RvErrorList(0, keepAll)) {
    if (!list) {
        std::fprintf(stderr, "no memory for a test's error list\n");
        std::abort();
    }
    installErrorList(list);
}

ScopedErrorList::~ScopedErrorList() {
    list->clear();
    uninstallErrorList();
    delete list;
}
