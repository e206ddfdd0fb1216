#include "base/file_info.h"
#include "base/platform.h"
#include <cstdio>

int getFileDateAndSize(const char* path, char* dateText, uint32_t* size) {
    uint32_t found = 0;
    PlatFileTime written;
    if (platFindFirstFile(path, &found, &written) != 0)
        return 1;
    // The time stays in UTC: the page shows the same date in every time
    // zone. The bound also holds for file times past the year 9999, which
    // the platform can represent; their date is cut, not overrun. A time
    // without a date (month 0) shows none.
    dateText[0] = 0;
    if (written.month != 0)
        std::snprintf(dateText, fileDateTextSize, "%02i/%02i/%04i", written.month, written.day,
                      written.year);
    *size = found;
    return 0;
}
